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

const CPageRegistration kGenTable(EmptyPage(5, "gentable", 153));
const CPageRegistration kMibBrowser(EmptyPage(10, "browser", 152));
const CPageRegistration kGraph(EmptyPage(11, "graph", 154));

}  // namespace
}  // namespace tesmo
