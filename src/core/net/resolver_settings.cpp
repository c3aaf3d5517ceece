// Loading, saving and applying the resolver settings.
#include "core/net/resolver_settings.h"

#include <QString>

#include "core/base/settings_store.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "core/net/system_values.h"

namespace tesmo {

namespace {

const QString kSection = QStringLiteral("Resolver");

// A count or time in the upper half of 32 bits is what a negative number in a
// damaged file reads as: the default instead.
uint32_t ReadCount(const char* name, uint32_t defaultValue) {
  const uint32_t value =
      CSettingsStore::ReadUInt(kSection, QString::fromLatin1(name), defaultValue);
  return value > INT32_MAX ? defaultValue : value;
}

// Any value but 0 counts as set, so the page's controls and the service agree.
int ReadFlag(const char* name, int defaultValue) {
  return CSettingsStore::ReadInt(kSection, QString::fromLatin1(name), defaultValue) != 0 ? 1 : 0;
}

void FillEmptyLists(ResolverSettings& settings) {
  if (settings.dnsList.empty()) settings.dnsList = ReadSystemValue(SystemValue::NameServer);
  if (settings.searchList.empty()) settings.searchList = ReadSystemValue(SystemValue::Domain);
}

}  // namespace

void ApplyResolverSettings(const ResolverSettings& settings) {
  SetUpResolver();
  SetResolverRetries(settings.dnsRetries);
  SetResolverTimeout(settings.dnsTimeout);
  bDnsUseCache.store(settings.useCache != 0 ? 1 : 0);
  bDnsUseHostfile.store(settings.useHostFile != 0 ? 1 : 0);
  DnsCacheTimeout.store(settings.cacheTimeout);
  UseFastResolver.store(settings.useFastResolver != 0 ? 1 : 0);
  ApplyDnsServerList(settings.dnsList);
  ApplyDnsSearchList(settings.searchList);
}

ResolverSettings LoadResolverSettings() {
  const ResolverSettings defaults;
  ResolverSettings settings;
  settings.dnsRetries = ReadCount("DnsRetries", defaults.dnsRetries);
  settings.dnsTimeout = ReadCount("DnsTimeout", defaults.dnsTimeout);
  settings.useCache = ReadFlag("bDnsUseCache", defaults.useCache);
  settings.useHostFile = ReadFlag("bDnsUseHostfile", defaults.useHostFile);
  settings.cacheTimeout = ReadCount("DnsCacheTimeout", defaults.cacheTimeout);
  settings.useFastResolver = ReadFlag("UseFastResolver", defaults.useFastResolver);
  settings.dnsList =
      CSettingsStore::ReadString(kSection, QStringLiteral("DnsAddressList"), QString())
          .toStdString();
  settings.searchList =
      CSettingsStore::ReadString(kSection, QStringLiteral("DnsSearchList"), QString())
          .toStdString();
  FillEmptyLists(settings);
  ApplyResolverSettings(settings);
  return settings;
}

ResolverSettings FactoryResolverSettings() {
  ResolverSettings settings;
  FillEmptyLists(settings);
  ApplyResolverSettings(settings);
  return settings;
}

bool SaveResolverSettings(const ResolverSettings& settings) {
  bool ok = true;
  auto writeInt = [&](const char* name, int value) {
    ok = CSettingsStore::WriteInt(kSection, QString::fromLatin1(name), value) && ok;
  };
  writeInt("DnsRetries", static_cast<int>(settings.dnsRetries));
  writeInt("DnsTimeout", static_cast<int>(settings.dnsTimeout));
  writeInt("bDnsUseCache", settings.useCache != 0 ? 1 : 0);
  writeInt("bDnsUseHostfile", settings.useHostFile != 0 ? 1 : 0);
  writeInt("DnsCacheTimeout", static_cast<int>(settings.cacheTimeout));
  writeInt("UseFastResolver", settings.useFastResolver != 0 ? 1 : 0);
  // IPv4 texts as typed; an IPv6 server in its one canonical form.
  ok = CSettingsStore::WriteString(
           kSection, QStringLiteral("DnsAddressList"),
           QString::fromStdString(StoredDnsServerListText(settings.dnsList))) &&
       ok;
  ok = CSettingsStore::WriteString(kSection, QStringLiteral("DnsSearchList"),
                                   QString::fromStdString(settings.searchList)) &&
       ok;
  return ok;
}

}  // namespace tesmo
