// Helpers shared by the test programs of both builds.
#ifndef CELPACK_TEST_SUPPORT_H
#define CELPACK_TEST_SUPPORT_H

#include <string>
#include <vector>

namespace testsupport {

// Bytes of a file, or an empty vector when it cannot be read.
std::vector<unsigned char> readFileBytes(const std::string& path);
bool writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace testsupport

#endif
