#include "celkit/edit/access_token.h"

#include <cerrno>
#include <cstdint>

#include "celkit/file_access.h"
#include "celkit/program.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <bcrypt.h>
#else
#include <sys/random.h>
#endif

namespace celkit {

std::string newAccessToken() {
    std::uint8_t bytes[16];
#ifdef _WIN32
    if (BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
        throw Failure("the system gave no random bytes for the access token");
#else
    std::size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            throw Failure("the system gave no random bytes for the access token: " +
                          systemReason(errno));
        got += static_cast<std::size_t>(n);
    }
#endif
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (std::uint8_t byte : bytes) {
        token += digits[byte >> 4];
        token += digits[byte & 15];
    }
    return token;
}

bool sameToken(std::string_view expected, std::string_view given) {
    // Every byte of the expected token is looked at whatever the guess.
    unsigned difference = expected.size() == given.size() ? 0 : 1;
    for (std::size_t i = 0; i < expected.size(); ++i)
        difference |= static_cast<unsigned char>(expected[i]) ^
                      static_cast<unsigned char>(i < given.size() ? given[i] : 0);
    return difference == 0;
}

}  // namespace celkit
