// The failure injection behind SoftGdiFailCreation: every creation asks
// first whether it is the one armed to fail.
#pragma once

namespace softgdi {

// True when this creation is to fail.
bool CreationFails();

} // namespace softgdi
