#include "core/snmp/snmp_mutex.h"

namespace tesmo {
std::mutex SnmpMutex;
}  // namespace tesmo
