// Sessions of versions 1, 2c and 3, and the SNMPv3 engine discovery.
#include "core/snmp/snmp_session.h"

#include <arpa/inet.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <random>

#include "core/net/ip_address.h"
#include "core/snmp/mib_gate.h"
#include "core/snmp/snmp_names.h"

namespace tesmo {
namespace {

// ---- a little BER for the discovery exchange ----

std::string Tlv(uint8_t tag, const std::string& content) {
  std::string out(1, static_cast<char>(tag));
  const size_t n = content.size();
  if (n < 128) {
    out += static_cast<char>(n);
  } else {
    std::string length;
    for (size_t v = n; v != 0; v >>= 8) length.insert(length.begin(), static_cast<char>(v & 0xff));
    out += static_cast<char>(0x80 | length.size());
    out += length;
  }
  return out + content;
}

std::string Integer(long value) {
  std::string bytes;
  for (int i = 7; i >= 0; --i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  while (bytes.size() > 1 &&
         ((bytes[0] == 0 && !(bytes[1] & 0x80)) || (bytes[0] == '\xff' && (bytes[1] & 0x80)))) {
    bytes.erase(0, 1);
  }
  return Tlv(0x02, bytes);
}

// Reads one element after another from a buffer; any fault leaves ok false
// and every later read empty.
struct Reader {
  const uint8_t* p;
  const uint8_t* end;
  bool ok = true;

  Reader Take(uint8_t expectedTag) {
    if (!ok || end - p < 2 || *p != expectedTag) return Fail();
    ++p;
    size_t length = *p++;
    if (length & 0x80) {
      const int bytes = static_cast<int>(length & 0x7f);
      if (bytes == 0 || bytes > 4 || end - p < bytes) return Fail();
      length = 0;
      for (int i = 0; i < bytes; ++i) length = (length << 8) | *p++;
    }
    if (static_cast<size_t>(end - p) < length) return Fail();
    Reader inner{p, p + length};
    p += length;
    return inner;
  }
  Reader Fail() {
    ok = false;
    return Reader{end, end, false};
  }
  long Integer() {
    Reader r = Take(0x02);
    if (!r.ok || r.p == r.end || r.end - r.p > 8) {
      ok = false;
      return 0;
    }
    long value = (*r.p & 0x80) ? -1 : 0;
    while (r.p < r.end)
      value = static_cast<long>((static_cast<unsigned long>(value) << 8) | *r.p++);
    return value;
  }
  std::string Octets() {
    Reader r = Take(0x04);
    return r.ok ? std::string(reinterpret_cast<const char*>(r.p), static_cast<size_t>(r.end - r.p))
                : std::string();
  }
};

// ---- the USM protocols by name ----

struct Protocol {
  const oid* id;
  size_t length;
};

// The library's protocol identifiers in the order of the name tables.
const Protocol kAuthProtocols[] = {
    {usmHMACMD5AuthProtocol, OID_LENGTH(usmHMACMD5AuthProtocol)},
    {usmHMACSHA1AuthProtocol, OID_LENGTH(usmHMACSHA1AuthProtocol)},
    {usmHMAC128SHA224AuthProtocol, OID_LENGTH(usmHMAC128SHA224AuthProtocol)},
    {usmHMAC192SHA256AuthProtocol, OID_LENGTH(usmHMAC192SHA256AuthProtocol)},
    {usmHMAC256SHA384AuthProtocol, OID_LENGTH(usmHMAC256SHA384AuthProtocol)},
    {usmHMAC384SHA512AuthProtocol, OID_LENGTH(usmHMAC384SHA512AuthProtocol)},
};
static_assert(std::size(kAuthProtocols) == std::size(kSnmpAuthProtocolNames));
const Protocol kPrivProtocols[] = {
    {usmDESPrivProtocol, OID_LENGTH(usmDESPrivProtocol)},
    {usmAESPrivProtocol, OID_LENGTH(usmAESPrivProtocol)},
    {usmAES192PrivProtocol, OID_LENGTH(usmAES192PrivProtocol)},
    {usmAES256PrivProtocol, OID_LENGTH(usmAES256PrivProtocol)},
};
static_assert(std::size(kPrivProtocols) == std::size(kSnmpPrivProtocolNames));

const Protocol* AuthProtocol(const std::string& name) {
  const int index = SnmpNameIndex(kSnmpAuthProtocolNames, name);
  return index < 0 ? nullptr : &kAuthProtocols[index];
}

const Protocol* PrivProtocol(const std::string& name) {
  const int index = SnmpNameIndex(kSnmpPrivProtocolNames, name);
  return index < 0 ? nullptr : &kPrivProtocols[index];
}

// The localisable key of a pass phrase; false (with why) when the library
// refuses it (shorter than 8 characters).
bool MakeKey(const Protocol& hash, const std::string& pass, u_char* key, size_t* keyLength,
             const char* what, std::string& error) {
  *keyLength = USM_AUTH_KU_LEN;
  const int made =
      generate_Ku(hash.id, static_cast<u_int>(hash.length),
                  reinterpret_cast<const u_char*>(pass.data()), pass.size(), key, keyLength);
  if (made == SNMPERR_SUCCESS) return true;
  error = std::string("SNMPv3: the ") + what + " pass phrase is refused (at least " +
          std::to_string(USM_LENGTH_P_MIN) + " characters)";
  return false;
}

}  // namespace

std::string SnmpPeerName(const std::string& address, uint16_t port) {
  // The address is the resolved text; an IPv6 one (with or without
  // brackets) goes over UDP/IPv6 in brackets, anything else as it always did.
  if (LooksLikeIpv6(address)) {
    if (const std::optional<IpAddress> v6 = ParseIpAddress(address); v6 && v6->IsV6()) {
      return "udp6:" + v6->BracketText() + ":" + std::to_string(port);
    }
  }
  return "udp:" + address + ":" + std::to_string(port);
}

std::string EngineProbeMessage(int messageId) {
  // A reportable, unauthenticated GET without objects from an empty user:
  // the agent answers with a report that carries its engine identity.
  const std::string security = Tlv(0x30, Tlv(0x04, "") + Integer(0) + Integer(0) + Tlv(0x04, "") +
                                             Tlv(0x04, "") + Tlv(0x04, ""));
  const std::string header = Tlv(
      0x30, Integer(messageId) + Integer(65507) + Tlv(0x04, std::string(1, '\x04')) + Integer(3));
  const std::string pdu = Tlv(0xA0, Integer(messageId) + Integer(0) + Integer(0) + Tlv(0x30, ""));
  const std::string scoped = Tlv(0x30, Tlv(0x04, "") + Tlv(0x04, "") + pdu);
  return Tlv(0x30, Integer(3) + header + Tlv(0x04, security) + scoped);
}

bool ReadEngineReport(const std::string& message, int messageId, EngineIdentity& identity) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(message.data());
  Reader top{bytes, bytes + message.size()};
  Reader whole = top.Take(0x30);
  if (whole.Integer() != 3) return false;
  Reader header = whole.Take(0x30);
  if (header.Integer() != messageId) return false;
  Reader security = whole.Take(0x04);
  Reader parameters = security.Take(0x30);
  EngineIdentity found;
  found.engineId = parameters.Octets();
  found.boots = parameters.Integer();
  found.time = parameters.Integer();
  if (!whole.ok || !header.ok || !security.ok || !parameters.ok || found.engineId.empty() ||
      found.engineId.size() > 32) {
    return false;
  }
  identity = found;
  return true;
}

bool DiscoverEngine(const SnmpTarget& target, EngineIdentity& identity, bool& stopped) {
  stopped = false;
  const std::optional<IpAddress> address = ParseIpAddress(target.address);
  if (!address) return false;
  socklen_t agentLength = 0;
  const sockaddr_storage agent = address->ToSockaddr(target.port, &agentLength);
  const int fd = socket(address->SocketFamily(), SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // Only datagrams from the agent reach this socket.
  if (connect(fd, reinterpret_cast<const sockaddr*>(&agent), agentLength) != 0) {
    close(fd);
    return false;
  }
  std::mt19937 random(std::random_device{}());
  bool found = false;
  using Clock = std::chrono::steady_clock;
  for (int attempt = 0; attempt <= std::max(target.retries, 0) && !found && !stopped; ++attempt) {
    const int messageId = static_cast<int>(random() & 0x7fffffff);
    const std::string probe = EngineProbeMessage(messageId);
    if (send(fd, probe.data(), probe.size(), 0) < 0) break;
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(target.timeoutMs, 1));
    while (!found) {
      if (target.stop != nullptr && target.stop->load() != 0) {
        stopped = true;
        break;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0) break;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(std::min<long long>(left, 100))) <= 0) continue;
      char buffer[4096];
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n > 0)
        found = ReadEngineReport(std::string(buffer, static_cast<size_t>(n)), messageId, identity);
    }
  }
  close(fd);
  return found;
}

OpenedSession OpenSnmpSession(const SnmpTarget& target, bool write) {
  // The library is not used while the MIB loader initialises it.
  WaitForMibs();
  OpenedSession opened;
  netsnmp_session settings;
  snmp_sess_init(&settings);
  // The port goes into the peer name: net-snmp ignores remote_port for
  // transports opened from a peer name, and the "udp:" or "udp6:" prefix
  // keeps any host text from choosing another transport.
  std::string peer = SnmpPeerName(target.address, target.port);
  settings.peername = peer.data();
  settings.retries = std::max(target.retries, 0);
  settings.timeout = static_cast<long>(std::max(target.timeoutMs, 0)) * 1000L;
  settings.callback = nullptr;
  settings.callback_magic = nullptr;
  std::string community = write ? target.writeCommunity : target.readCommunity;
  std::string user = target.usm.user;
  EngineIdentity engine;
  if (target.version != SnmpVersion::kV3) {
    settings.version = target.version == SnmpVersion::kV2c ? SNMP_VERSION_2c : SNMP_VERSION_1;
    settings.community = reinterpret_cast<u_char*>(community.data());
    settings.community_len = community.size();
  } else {
    // The library's SNMPv3 machinery (the user-based security model among
    // it) is set up by its full initialisation, which the program skips: it
    // reads no configuration files and loads the MIB on its own.
    static bool v3Ready = false;
    if (!v3Ready) {
      // Its configuration handlers are registered under the application's
      // name, which the full initialisation would have set.
      if (netsnmp_ds_get_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_APPTYPE) == nullptr) {
        netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_APPTYPE, "tesmo");
      }
      init_snmpv3("tesmo");  // sets up the security models too
      // What the full initialisation does once the configuration is read:
      // this engine's own identifier, which checking an answer's time window
      // needs.
      setup_engineID(nullptr, nullptr);
      init_snmpv3_post_config(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_POST_READ_CONFIG, nullptr,
                              nullptr);
      v3Ready = true;
    }
    settings.version = SNMP_VERSION_3;
    // The largest message either way; the library's default comes from a
    // setting of its full initialisation and is 0 without it, which leaves
    // no room to decrypt an answer.
    settings.rcvMsgMaxSize = 65507;
    settings.sndMsgMaxSize = 65507;
    settings.securityName = user.data();
    settings.securityNameLen = user.size();
    settings.securityModel = SNMP_SEC_MODEL_USM;
    const SnmpUsm::Level level = target.usm.level;
    settings.securityLevel = level == SnmpUsm::kNoAuthNoPriv ? SNMP_SEC_LEVEL_NOAUTH
                             : level == SnmpUsm::kAuthNoPriv ? SNMP_SEC_LEVEL_AUTHNOPRIV
                                                             : SNMP_SEC_LEVEL_AUTHPRIV;
    if (level != SnmpUsm::kNoAuthNoPriv) {
      const Protocol* auth = AuthProtocol(target.usm.authProtocol);
      if (auth == nullptr) {
        opened.error = "SNMPv3: unknown authentication protocol " + target.usm.authProtocol;
        return opened;
      }
      settings.securityAuthProto = const_cast<oid*>(auth->id);
      settings.securityAuthProtoLen = auth->length;
      if (!MakeKey(*auth, target.usm.authPass, settings.securityAuthKey,
                   &settings.securityAuthKeyLen, "authentication", opened.error)) {
        return opened;
      }
      if (level == SnmpUsm::kAuthPriv) {
        const Protocol* priv = PrivProtocol(target.usm.privProtocol);
        if (priv == nullptr) {
          opened.error = "SNMPv3: unknown privacy protocol " + target.usm.privProtocol;
          return opened;
        }
        settings.securityPrivProto = const_cast<oid*>(priv->id);
        settings.securityPrivProtoLen = priv->length;
        // The privacy key comes from its pass phrase through the
        // authentication protocol's hash.
        if (!MakeKey(*auth, target.usm.privPass, settings.securityPrivKey,
                     &settings.securityPrivKeyLen, "privacy", opened.error)) {
          return opened;
        }
      }
    }
    bool stopped = false;
    if (!DiscoverEngine(target, engine, stopped)) {
      opened.result = stopped ? OpenResult::kStopped : OpenResult::kTimedOut;
      return opened;
    }
    settings.securityEngineID = reinterpret_cast<u_char*>(engine.engineId.data());
    settings.securityEngineIDLen = engine.engineId.size();
    settings.contextEngineID = settings.securityEngineID;
    settings.contextEngineIDLen = settings.securityEngineIDLen;
    settings.engineBoots = static_cast<u_int>(engine.boots);
    settings.engineTime = static_cast<u_int>(engine.time);
    // The agent's clock as its report gave it, so that the first request
    // falls inside its time window (the library records it only after a
    // discovery of its own).
    set_enginetime(reinterpret_cast<const u_char*>(engine.engineId.data()),
                   static_cast<u_int>(engine.engineId.size()), static_cast<u_int>(engine.boots),
                   static_cast<u_int>(engine.time), TRUE);
  }
  opened.session = snmp_sess_open(&settings);  // copies what it keeps
  if (opened.session == nullptr) {
    // Under 1 and 2c the caller's own text says it; SNMPv3 names the fault.
    if (target.version == SnmpVersion::kV3) opened.error = snmp_api_errstring(snmp_errno);
    return opened;
  }
  opened.result = OpenResult::kOpen;
  return opened;
}

}  // namespace tesmo
