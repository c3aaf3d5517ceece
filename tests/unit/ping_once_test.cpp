// The echo service's texts and codes, and PingOnce's outcomes over a scripted
// echo layer: the three outcomes, their texts, and that an address text that
// does not parse sends nothing.
#include "core/icmp/ping_once.h"

#include <gtest/gtest.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>

#include <vector>

#include "core/icmp/echo_socket.h"
#include "core/icmp/echo_status.h"
#include "core/net/ip_address.h"

namespace tesmo {
namespace {

TEST(EchoStatus, TextsOfEveryErrorCode) {
  const char* expected[] = {"buffer too small",
                            "dest net unreachable",
                            "dest host unreachable",
                            "dest prot unreachable",
                            "dest port unreachable",
                            "no resources",
                            "bad option",
                            "hw error",
                            "packet too big",
                            "req timed out",
                            "bad req",
                            "bad route",
                            "ttl expired in transit",
                            "ttl expired in reassembly",
                            "param problem",
                            "source quench",
                            "option too big",
                            "bad destination"};
  for (uint32_t status = 11001; status <= 11018; ++status) {
    ASSERT_NE(EchoStatusText(status), nullptr) << status;
    EXPECT_STREQ(EchoStatusText(status), expected[status - 11001]);
    EXPECT_TRUE(IsEchoErrorStatus(status));
  }
  for (uint32_t status : {0u, 11000u, 11019u, 11050u}) {
    EXPECT_EQ(EchoStatusText(status), nullptr) << status;
    EXPECT_FALSE(IsEchoErrorStatus(status)) << status;
  }
}

TEST(EchoStatus, ShortCodes) {
  struct Case {
    std::optional<uint32_t> status;
    const char* code;
  } cases[] = {
      {std::nullopt, "t-o"}, {0, "17 ms "},     {11001, "buf error"}, {11002, "!NU"},
      {11003, "!HU"},        {11004, "!PRU"},   {11005, "!POU"},      {11006, "!NR"},
      {11007, "!BO"},        {11008, "!HWERR"}, {11009, "!PTB"},      {11010, "t-o"},
      {11011, "!BRQ"},       {11012, "!BRO"},   {11013, "17 ms "},    {11014, "!TER"},
      {11015, "!PP"},        {11016, "!SQ"},    {11017, "!IOTB"},     {11018, "!BD"},
      {11019, "??"},         {11000, "??"},     {11050, "??"},        {42, "??"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EchoShortCode(c.status, 17), c.code) << (c.status ? *c.status : 0u);
  }
}

TEST(EchoStatus, IcmpMessagesMapOntoStatusCodes) {
  struct Case {
    uint8_t type, code;
    std::optional<uint32_t> status;
  } cases[] = {
      {ICMP_ECHOREPLY, 0, 0},
      {ICMP_DEST_UNREACH, ICMP_NET_UNREACH, 11002},
      {ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, 11003},
      {ICMP_DEST_UNREACH, ICMP_PROT_UNREACH, 11004},
      {ICMP_DEST_UNREACH, ICMP_PORT_UNREACH, 11005},
      {ICMP_DEST_UNREACH, ICMP_FRAG_NEEDED, 11009},
      {ICMP_DEST_UNREACH, ICMP_SR_FAILED, 11012},
      {ICMP_DEST_UNREACH, ICMP_NET_UNKNOWN, 11002},
      {ICMP_DEST_UNREACH, ICMP_HOST_UNKNOWN, 11003},
      {ICMP_DEST_UNREACH, ICMP_PKT_FILTERED, 11003},
      {ICMP_SOURCE_QUENCH, 0, 11016},
      {ICMP_TIME_EXCEEDED, ICMP_EXC_TTL, 11013},
      {ICMP_TIME_EXCEEDED, ICMP_EXC_FRAGTIME, 11014},
      {ICMP_PARAMETERPROB, 0, 11015},
      // Not answers to an echo.
      {ICMP_ECHO, 0, std::nullopt},
      {ICMP_REDIRECT, 1, std::nullopt},
      {ICMP_TIMESTAMPREPLY, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EchoStatusFromIcmp(c.type, c.code), c.status) << int(c.type) << "/" << int(c.code);
  }
}

TEST(EchoPattern, RunsThroughTheAlphabetAndStartsAgain) {
  std::vector<uint8_t> data(27, 0);
  FillEchoPattern(data.data(), data.size());
  EXPECT_EQ(std::string(data.begin(), data.end()), "abcdefghijklmnopqrstuvwxyza");
  std::vector<uint8_t> longer(26 * 3 + 2);
  FillEchoPattern(longer.data(), longer.size());
  EXPECT_EQ(longer[52], 'a');
  EXPECT_EQ(longer.back(), 'b');
}

TEST(EchoSocket, RefusesWhatCannotBeSent) {
  // These never reach a socket, so they behave the same for every user.
  EchoResult tooLong = SendEcho(EchoRequest{0x7F000001, kMaxEchoData + 1, 64, 100, nullptr});
  EXPECT_EQ(tooLong.state, EchoState::LocalError);
  EXPECT_FALSE(tooLong.sent);
  EXPECT_EQ(tooLong.errorText, kEchoTooLongText);
  EchoResult ttlZero = SendEcho(EchoRequest{0x7F000001, 8, 256, 100, nullptr});
  EXPECT_EQ(ttlZero.state, EchoState::LocalError);
  EXPECT_EQ(ttlZero.errorText, kEchoTtlZeroText);
}

// A scripted echo layer: answers with a fixed result and records the request.
struct ScriptedEcho {
  EchoResult answer;
  std::vector<EchoRequest> requests;
  EchoFunction Function() {
    return [this](const EchoRequest& request) {
      requests.push_back(request);
      return answer;
    };
  }
};

EchoResult Reply(uint32_t status, uint32_t source, uint8_t ttl, uint32_t ms) {
  EchoResult r;
  r.state = EchoState::Reply;
  r.status = status;
  r.source = source;
  r.ttl = ttl;
  r.sent = true;
  r.roundTripMs = ms;
  r.roundTripUs = ms * 1000ull;
  return r;
}

TEST(PingOnce, OutcomesAndTexts) {
  EchoResult silence;
  silence.state = EchoState::NoReply;
  silence.sent = true;
  silence.roundTripMs = 1000;
  EchoResult refused;
  refused.state = EchoState::LocalError;
  refused.errorText = kIcmpNotPermittedText;

  struct Case {
    const char* name;
    EchoResult answer;
    PingOutcome outcome;
    std::string text;
    std::string source;
    uint32_t roundTrip;
  } cases[] = {
      {"echo reply", Reply(0, 0x0A000002, 63, 12), PingOutcome::Reachable,
       "reachable (12 ms ttl:63)", "10.0.0.2", 12},
      {"status above the table", Reply(11050, 0x0A000002, 64, 3), PingOutcome::Reachable,
       "reachable (3 ms ttl:64)", "10.0.0.2", 3},
      {"time exceeded", Reply(11013, 0x0A000001, 255, 1), PingOutcome::ErrorStatus,
       "ttl expired in transit from 10.0.0.1", "10.0.0.1", 1},
      {"host unreachable", Reply(11003, 0xC0A80101, 64, 4), PingOutcome::ErrorStatus,
       "dest host unreachable from 192.168.1.1", "192.168.1.1", 4},
      {"bad destination", Reply(11018, 0x0A000001, 64, 0), PingOutcome::ErrorStatus,
       "bad destination from 10.0.0.1", "10.0.0.1", 0},
      {"no reply", silence, PingOutcome::NoReply, "unreachable", "(unchanged)", 1000},
      {"not permitted", refused, PingOutcome::NoReply, kIcmpNotPermittedText, "(unchanged)", 777},
  };
  for (const Case& c : cases) {
    ScriptedEcho echo{c.answer, {}};
    uint32_t roundTrip = 777;
    std::string text;
    std::string source = "(unchanged)";
    PingOutcome outcome =
        PingOnce(echo.Function(), "10.0.0.2", roundTrip, 1000, 56, 300, text, source);
    EXPECT_EQ(outcome, c.outcome) << c.name;
    EXPECT_EQ(text, c.text) << c.name;
    EXPECT_EQ(source, c.source) << c.name;
    EXPECT_EQ(roundTrip, c.roundTrip) << c.name;
    ASSERT_EQ(echo.requests.size(), 1u) << c.name;
    EXPECT_EQ(echo.requests[0].address, 0x0A000002u);
    EXPECT_EQ(echo.requests[0].dataLength, 56u);
    EXPECT_EQ(echo.requests[0].ttl, 300u);  // the echo layer sends the low 8 bits
    EXPECT_EQ(echo.requests[0].timeoutMs, 1000u);
  }
}

TEST(PingOnce, AddressTextThatDoesNotParseSendsNothing) {
  for (const char* text : {"10.0.0.256", "gateway.lab", "255.255.255.255", "", "1.2.3.4.5"}) {
    ScriptedEcho echo{Reply(0, 1, 64, 1), {}};
    uint32_t roundTrip = 5;
    std::string result;
    std::string source;
    EXPECT_EQ(PingOnce(echo.Function(), text, roundTrip, 1000, 32, 64, result, source),
              PingOutcome::ErrorStatus)
        << text;
    EXPECT_EQ(result, "invalid address") << text;
    EXPECT_TRUE(echo.requests.empty()) << text;
    EXPECT_EQ(roundTrip, 5u) << text;
  }
}

TEST(PingOnce, NoBuffersMeansNoReplyWithoutText) {
  EchoFunction starved = [](const EchoRequest&) -> EchoResult { throw std::bad_alloc(); };
  uint32_t roundTrip = 9;
  std::string result = "before";
  std::string source;
  EXPECT_EQ(PingOnce(starved, "10.0.0.1", roundTrip, 1000, 32, 64, result, source),
            PingOutcome::NoReply);
  EXPECT_EQ(result, "before");
  EXPECT_EQ(roundTrip, 9u);
}

// Packets as a raw ICMP socket reads them: an IPv4 header, then ICMP.
std::vector<uint8_t> IcmpPacket(uint32_t source, uint8_t type, uint8_t code,
                                std::vector<uint8_t> rest) {
  std::vector<uint8_t> icmp = {type, code, 0, 0};
  icmp.insert(icmp.end(), rest.begin(), rest.end());
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < icmp.size(); i += 2) sum += (icmp[i] << 8) | icmp[i + 1];
  if (icmp.size() % 2 != 0) sum += icmp.back() << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  icmp[2] = static_cast<uint8_t>(~sum >> 8);
  icmp[3] = static_cast<uint8_t>(~sum);
  const size_t total = 20 + icmp.size();
  std::vector<uint8_t> packet = {0x45,
                                 0,
                                 static_cast<uint8_t>(total >> 8),
                                 static_cast<uint8_t>(total),
                                 0,
                                 0,
                                 0,
                                 0,
                                 57,
                                 IPPROTO_ICMP,
                                 0,
                                 0,
                                 static_cast<uint8_t>(source >> 24),
                                 static_cast<uint8_t>(source >> 16),
                                 static_cast<uint8_t>(source >> 8),
                                 static_cast<uint8_t>(source),
                                 10,
                                 0,
                                 0,
                                 1};
  packet.insert(packet.end(), icmp.begin(), icmp.end());
  return packet;
}

// Only the host pinged answers for itself; an error may come from any router
// as long as it quotes our request.
TEST(EchoAnswer, RepliesCountOnlyFromTheHostPinged) {
  constexpr uint32_t kPinged = 0x0A000002, kNeighbour = 0x0A000003, kRouter = 0x0A0000FE;
  const std::vector<uint8_t> echoIds = {0x12, 0x34, 0x00, 0x07};  // identifier, sequence
  std::vector<uint8_t> quoted = {0x45, 0, 0,  28, 0, 0, 0,  0, 1, IPPROTO_ICMP,
                                 0,    0, 10, 0,  0, 1, 10, 0, 0, 2};
  quoted.insert(quoted.end(), {ICMP_ECHO, 0, 0, 0});
  quoted.insert(quoted.end(), echoIds.begin(), echoIds.end());
  std::vector<uint8_t> error = {0, 0, 0, 0};
  error.insert(error.end(), quoted.begin(), quoted.end());
  const struct {
    const char* what;
    std::vector<uint8_t> packet;
    bool ours;
  } cases[] = {
      {"reply from the host", IcmpPacket(kPinged, ICMP_ECHOREPLY, 0, echoIds), true},
      {"reply from a neighbour", IcmpPacket(kNeighbour, ICMP_ECHOREPLY, 0, echoIds), false},
      {"time exceeded from a router", IcmpPacket(kRouter, ICMP_TIME_EXCEEDED, 0, error), true},
      {"reply with another sequence", IcmpPacket(kPinged, ICMP_ECHOREPLY, 0, {0x12, 0x34, 0, 8}),
       false},
  };
  for (const auto& c : cases) {
    EchoResult result;
    EXPECT_EQ(ParseRawEchoAnswer(c.packet.data(), c.packet.size(), kPinged, 0x1234, 7, result),
              c.ours)
        << c.what;
  }
}

// ICMPv6 answers take the code of their IPv4 counterpart where there is one,
// and codes of their own where only ICMPv6 tells the cause; every error code
// has a text and a short code.
TEST(EchoStatus, Icmp6MessagesMapOntoStatusCodes) {
  struct Case {
    uint8_t type, code;
    std::optional<uint32_t> status;
  } cases[] = {
      {ICMP6_ECHO_REPLY, 0, 0},
      {ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_NOROUTE, 11002},
      {ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_ADDR, 11003},
      {ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_NOPORT, 11005},
      {ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_ADMIN, kEchoDestProhibited},
      {ICMP6_DST_UNREACH, ICMP6_DST_UNREACH_BEYONDSCOPE, kEchoDestBeyondScope},
      {ICMP6_DST_UNREACH, 5, kEchoSourcePolicyFailed},
      {ICMP6_DST_UNREACH, 6, kEchoRejectRoute},
      {ICMP6_DST_UNREACH, 42, 11003},
      {ICMP6_PACKET_TOO_BIG, 0, 11009},
      {ICMP6_TIME_EXCEEDED, ICMP6_TIME_EXCEED_TRANSIT, 11013},
      {ICMP6_TIME_EXCEEDED, ICMP6_TIME_EXCEED_REASSEMBLY, 11014},
      {ICMP6_PARAM_PROB, ICMP6_PARAMPROB_HEADER, 11015},
      {ICMP6_PARAM_PROB, ICMP6_PARAMPROB_NEXTHEADER, kEchoUnrecognizedNextHeader},
      {ICMP6_PARAM_PROB, ICMP6_PARAMPROB_OPTION, 11007},
      // Not answers to an echo.
      {ICMP6_ECHO_REQUEST, 0, std::nullopt},
      {ND_NEIGHBOR_SOLICIT, 0, std::nullopt},
      {ND_ROUTER_ADVERT, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.type) << "/" << int(c.code));
    const std::optional<uint32_t> status = EchoStatusFromIcmp6(c.type, c.code);
    EXPECT_EQ(status, c.status);
    if (status && *status != 0) {
      EXPECT_TRUE(IsEchoErrorStatus(*status));
      ASSERT_NE(EchoStatusText(*status), nullptr);
      EXPECT_NE(EchoShortCode(*status, 3), "??");
    }
  }
}

// PingOnce sends an IPv6 literal over ICMPv6 and tells its answer's source in
// RFC 5952 form; IPv4 texts still go out as IPv4.
TEST(PingOnce, Ipv6LiteralsGoOutAsIpv6) {
  const std::optional<IpAddress> router = ParseIpAddress("2001:db8:71:1::1");
  ASSERT_TRUE(router);
  EchoResult exceeded = Reply(11013, 0, 64, 4);
  exceeded.from = *router;
  EchoResult replied = Reply(0, 0, 61, 4);
  replied.from = *ParseIpAddress("2001:db8:71:4::2");
  const struct {
    const char* text;
    EchoResult answer;
    const char* destination;  // as sent, "" for nothing sent
    PingOutcome outcome;
    const char* result;
    const char* source;
  } cases[] = {
      {"2001:DB8:71:4:0::2", replied, "2001:db8:71:4::2", PingOutcome::Reachable,
       "reachable (4 ms ttl:61)", "2001:db8:71:4::2"},
      {"[2001:db8:71:4::2]", exceeded, "2001:db8:71:4::2", PingOutcome::ErrorStatus,
       "ttl expired in transit from 2001:db8:71:1::1", "2001:db8:71:1::1"},
      {"10.71.4.2", Reply(0, 0x0A470402, 62, 4), "10.71.4.2", PingOutcome::Reachable,
       "reachable (4 ms ttl:62)", "10.71.4.2"},
      {"2001:db8::g", replied, "", PingOutcome::ErrorStatus, "invalid address", ""},
      {"2001:db8:::1", replied, "", PingOutcome::ErrorStatus, "invalid address", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptedEcho echo{c.answer, {}};
    uint32_t roundTrip = 0;
    std::string result, source;
    EXPECT_EQ(PingOnce(echo.Function(), c.text, roundTrip, 1000, 56, 64, result, source),
              c.outcome);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(source, c.source);
    if (*c.destination == '\0') {
      EXPECT_TRUE(echo.requests.empty());
      continue;
    }
    ASSERT_EQ(echo.requests.size(), 1u);
    EXPECT_EQ(echo.requests[0].Destination().Text(), c.destination);
    EXPECT_EQ(echo.requests[0].address6.IsV6(), LooksLikeIpv6(c.text));
  }
}

// A raw ICMPv6 socket reads ICMPv6 without the IPv6 header, the sender from
// the socket address. Only the host pinged answers for itself; an error may
// come from any router as long as it quotes our request to that host.
TEST(EchoAnswer, Icmp6RepliesCountOnlyFromTheHostPinged) {
  const IpAddress pinged = *ParseIpAddress("2001:db8:72:4::2");
  const IpAddress neighbour = *ParseIpAddress("2001:db8:72:4::3");
  const IpAddress router = *ParseIpAddress("2001:db8:72:2::2");
  const std::vector<uint8_t> echoIds = {0x12, 0x34, 0x00, 0x07};  // identifier, sequence
  // The quoted request: IPv6 header (next header 58, hop limit 1), then the echo.
  auto quotedTo = [&](const IpAddress& destination, uint8_t nextHeader, uint8_t type) {
    std::vector<uint8_t> header = {0x60, 0, 0, 0, 0, 16, nextHeader, 1};
    const auto source = ParseIpAddress("2001:db8:72:1::2")->V6Bytes();
    header.insert(header.end(), source.begin(), source.end());
    header.insert(header.end(), destination.V6Bytes().begin(), destination.V6Bytes().end());
    header.insert(header.end(), {type, 0, 0, 0});
    header.insert(header.end(), echoIds.begin(), echoIds.end());
    header.insert(header.end(), 8, 'a');
    return header;
  };
  auto message = [](uint8_t type, uint8_t code, std::vector<uint8_t> rest) {
    std::vector<uint8_t> icmp = {type, code, 0, 0};
    icmp.insert(icmp.end(), rest.begin(), rest.end());
    return icmp;
  };
  auto error = [&](uint8_t type, uint8_t code, std::vector<uint8_t> quoted) {
    std::vector<uint8_t> rest = {0, 0, 0, 0};
    rest.insert(rest.end(), quoted.begin(), quoted.end());
    return message(type, code, rest);
  };
  std::vector<uint8_t> truncated =
      error(ICMP6_TIME_EXCEEDED, 0, quotedTo(pinged, IPPROTO_ICMPV6, ICMP6_ECHO_REQUEST));
  truncated.resize(8 + 40 + 6);
  const struct {
    const char* what;
    IpAddress sender;
    std::vector<uint8_t> packet;
    std::optional<uint32_t> status;  // nothing: not ours
  } cases[] = {
      {"reply from the host", pinged, message(ICMP6_ECHO_REPLY, 0, echoIds), 0},
      {"reply from a neighbour", neighbour, message(ICMP6_ECHO_REPLY, 0, echoIds), std::nullopt},
      {"reply with another sequence", pinged, message(ICMP6_ECHO_REPLY, 0, {0x12, 0x34, 0, 8}),
       std::nullopt},
      {"request, not a reply", pinged, message(ICMP6_ECHO_REQUEST, 0, echoIds), std::nullopt},
      {"hop limit exceeded at a router", router,
       error(ICMP6_TIME_EXCEEDED, 0, quotedTo(pinged, IPPROTO_ICMPV6, ICMP6_ECHO_REQUEST)), 11013},
      {"no route from a router", router,
       error(ICMP6_DST_UNREACH, 0, quotedTo(pinged, IPPROTO_ICMPV6, ICMP6_ECHO_REQUEST)), 11002},
      {"packet too big", router,
       error(ICMP6_PACKET_TOO_BIG, 0, quotedTo(pinged, IPPROTO_ICMPV6, ICMP6_ECHO_REQUEST)), 11009},
      {"error about another destination", router,
       error(ICMP6_TIME_EXCEEDED, 0, quotedTo(neighbour, IPPROTO_ICMPV6, ICMP6_ECHO_REQUEST)),
       std::nullopt},
      {"error about a UDP datagram", router,
       error(ICMP6_DST_UNREACH, 4, quotedTo(pinged, IPPROTO_UDP, ICMP6_ECHO_REQUEST)),
       std::nullopt},
      {"error quoting a reply", router,
       error(ICMP6_TIME_EXCEEDED, 0, quotedTo(pinged, IPPROTO_ICMPV6, ICMP6_ECHO_REPLY)),
       std::nullopt},
      {"error cut short", router, truncated, std::nullopt},
      {"four bytes", pinged, {ICMP6_ECHO_REPLY, 0, 0, 0}, std::nullopt},
      {"reply from an IPv4 sender", IpAddress::V4(0x0A480402),
       message(ICMP6_ECHO_REPLY, 0, echoIds), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EchoResult result;
    const bool ours =
        ParseRawEcho6Answer(c.packet.data(), c.packet.size(), c.sender, pinged, 0x1234, 7, result);
    EXPECT_EQ(ours, c.status.has_value());
    if (!ours) continue;
    EXPECT_EQ(result.status, *c.status);
    EXPECT_EQ(result.from, c.sender);
    EXPECT_EQ(EchoSourceText(result), c.sender.Text());
  }
}

}  // namespace
}  // namespace tesmo
