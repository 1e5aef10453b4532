#include "mpprresource.h"

namespace mppr {

Resource::~Resource() = default;

} // namespace mppr
