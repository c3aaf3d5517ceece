// SnmpMutex serialises every use of the SNMP library in the whole process.
#pragma once

#include <mutex>

namespace tesmo {
extern std::mutex SnmpMutex;
}  // namespace tesmo
