// The standard and Qt Core headers that most files of the core, the tools and
// the batch driver include, compiled once per build tree (cmake/pch.cmake).
// Only headers that define no macros a file could trip over: the resolver and
// SNMP headers stay in the files that use them.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
