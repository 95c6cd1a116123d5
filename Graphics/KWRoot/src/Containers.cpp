#include "KWRoot/Array.h"

namespace KW {

Container::~Container() = default;

} // namespace KW
