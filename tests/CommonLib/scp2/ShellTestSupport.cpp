#include "ShellTestSupport.h"

#include "UPTPidlList.h"
#include "UPTShellStartup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace shelltest {

PItemIDList MakePidl(std::initializer_list<std::string> Items) {
    std::vector<BYTE> bytes;
    for (const std::string& item : Items) {
        const auto cb = static_cast<USHORT>(item.size() + 2);
        bytes.push_back(static_cast<BYTE>(cb & 0xFF));
        bytes.push_back(static_cast<BYTE>(cb >> 8));
        bytes.insert(bytes.end(), item.begin(), item.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    auto* p = static_cast<BYTE*>(ShellAlloc(bytes.size()));
    std::memcpy(p, bytes.data(), bytes.size());
    return reinterpret_cast<PItemIDList>(p);
}

HRESULT ByteOrder(PCUIDLIST_RELATIVE A, PCUIDLIST_RELATIVE B) {
    const int c = ComparePidlBytes(A, B);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(c < 0 ? -1 : c > 0 ? 1 : 0)));
}

namespace {
// The pack is started once for the whole test program, as the program's start-up does.
class TShellPackEnvironment : public ::testing::Environment {
public:
    void SetUp() override { PTShellStartup(); }
    void TearDown() override { PTShellShutdown(); }
};
[[maybe_unused]] auto* const g_Environment = ::testing::AddGlobalTestEnvironment(new TShellPackEnvironment);
} // namespace

} // namespace shelltest
