// Steps of the installer that are not built yet. Each reports failure, so the start-up
// sequence takes its failure branches. Whoever builds a step removes its stub from here.
#include "app/form1.h"

namespace app {


}  // namespace app
