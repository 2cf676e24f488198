// Steps of the installer that are not built yet. Each reports failure, so the start-up
// sequence takes its failure branches. Whoever builds a step removes its stub from here.
#include "app/form1.h"

namespace app {

bool TForm1::MDBCreate(const Text&) { return false; }
jet::adox::Table TForm1::createTableProducent() { return {}; }
jet::adox::Table TForm1::createTableDodatki() { return {}; }
jet::adox::Column TForm1::createCol(const Text&, int32_t, int32_t) { return {}; }
bool TForm1::CopyMdb(const Text&, const Text&, const Text&) { return false; }

}  // namespace app
