// The files a test process uses instead of the user's: a private settings
// file, and outside the lab namespace a resolver file naming only loopback
// and an empty hosts file, so that a test there that resolves a name by
// mistake can never reach the machine's own name servers. Lab tests use the
// namespace's own files, which name the lab's server.
#pragma once

#include <QFile>
#include <QTemporaryDir>

#include "core/base/settings_store.h"
#include "core/net/name_hosts_file.h"
#include "core/net/system_values.h"

namespace tesmo {

inline void UsePrivateFiles(const QTemporaryDir& dir) {
  CSettingsStore::SetFilePath(dir.filePath(QStringLiteral("tesmo/tesmo.ini")));
  if (!qEnvironmentVariableIsEmpty("TESMO_IN_LAB")) return;
  QFile resolv(dir.filePath(QStringLiteral("resolv.conf")));
  if (resolv.open(QIODevice::WriteOnly)) resolv.write("nameserver 127.0.0.1\n");
  resolv.close();
  QFile hosts(dir.filePath(QStringLiteral("hosts")));
  if (hosts.open(QIODevice::WriteOnly)) hosts.write("127.0.0.1\tlocalhost\n");
  hosts.close();
  SetResolvConfPath(resolv.fileName().toStdString());
  SetHostsFilePath(hosts.fileName().toStdString());
}

}  // namespace tesmo
