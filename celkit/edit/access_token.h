// The secret every request to the edit server carries: 128 bits from the
// system's random source (getrandom natively, BCryptGenRandom on Windows)
// as 32 hex digits, and a comparison whose time does not tell how much of
// a guess was right.
#ifndef CELKIT_EDIT_ACCESS_TOKEN_H
#define CELKIT_EDIT_ACCESS_TOKEN_H

#include <string>
#include <string_view>

namespace celkit {

// Failure when the system gives no random bytes.
std::string newAccessToken();
bool sameToken(std::string_view expected, std::string_view given);

}  // namespace celkit

#endif
