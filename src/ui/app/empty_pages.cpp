// The tabs whose tools come with a later version. A page that gets built
// registers itself from its own file and its line here goes.
#include "ui/app/tool_page.h"

namespace tesmo {
namespace {

PageRecord EmptyPage(int index, const char* name, int captionId) {
  return {.index = index,
          .name = name,
          .captionId = captionId,
          .create = [](const PageContext& context) { return new CEmptyPage(context); }};
}

const CPageRegistration kNsLookup(EmptyPage(8, "dns", 110));

}  // namespace
}  // namespace tesmo
