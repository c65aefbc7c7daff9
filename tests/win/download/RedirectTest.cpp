// What a request sends and where it lets itself be sent, against the
// loopback server: redirects followed only on the same server and only so
// many times, no cookies kept from one answer for the next request, no
// log-on when the server asks for one.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "actions/OnlineVersionCheck.h"
#include "common/Redirects.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Internet.h"
#include "tests/win/download/TestServer.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

struct Fetched {
    bool opened = false;
    std::optional<std::uint32_t> status;
    std::vector<std::uint8_t> body;
};

Fetched FetchOnce(const std::u16string& url) {
    Fetched fetched;
    Internet internet;
    const auto session = internet.Open(u"Tarnwick-redirect-test/1");
    if (!session) return fetched;
    const auto request = session->OpenUrl(url);
    if (!request) return fetched;
    fetched.opened = true;
    fetched.status = request->Status();
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        const auto count = request->Read(buffer);
        if (!count || *count == 0) return fetched;
        fetched.body.insert(fetched.body.end(), buffer.begin(), buffer.begin() + *count);
    }
}

// The loopback server under another name: the same machine, another host.
std::u16string OtherHostUrl(std::u16string_view path) {
    std::u16string url = ServerUrl(path);
    const std::u16string loopback = u"127.0.0.1";
    const std::size_t at = url.find(loopback);
    if (at != std::u16string::npos) url.replace(at, loopback.size(), u"localhost");
    return url;
}

// The log lines of requests whose path starts with `prefix`.
std::vector<std::string> LoggedRequests(const std::string& prefix) {
    std::vector<std::string> lines;
    const std::string log = RequestLog();
    for (std::size_t start = 0; start < log.size();) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.starts_with(prefix)) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Narrow(const std::u16string& text) { return {text.begin(), text.end()}; }

TEST(Win32RedirectTest, FollowsRedirectsOnTheSameServerUpToTheLimit) {
    const std::vector<std::uint8_t> small = ReadServedFile("small.bin");
    for (const std::uint32_t code : {301u, 302u, 303u, 307u, 308u}) {
        const Fetched fetched =
            FetchOnce(ServerUrl(u"redirect/" + FromWin(std::to_wstring(code)) + u"?to=/small.bin%3Fcode=" +
                                FromWin(std::to_wstring(code))));
        EXPECT_TRUE(fetched.opened) << code;
        EXPECT_EQ(fetched.status, 200u) << code;
        EXPECT_EQ(fetched.body, small) << code;
    }
    const Fetched chain = FetchOnce(ServerUrl(u"hops/" + FromWin(std::to_wstring(kMaxRedirects)) + u"/small.bin"));
    EXPECT_TRUE(chain.opened);
    EXPECT_EQ(chain.body, small);

    EXPECT_FALSE(FetchOnce(ServerUrl(u"hops/" + FromWin(std::to_wstring(kMaxRedirects + 1)) + u"/empty.bin")).opened);
    // The last redirect was refused, not requested.
    EXPECT_TRUE(LoggedRequests("/hops/0/empty.bin").empty());
}

TEST(Win32RedirectTest, ARedirectToAnotherHostOrAnotherPortIsAnAddressThatDoesNotOpen) {
    for (const std::u16string& target :
         {OtherHostUrl(u"small.bin?elsewhere=host"), Env(L"TARNWICK_TEST_DEAD_URL") + u"small.bin?elsewhere=port"}) {
        const Fetched fetched = FetchOnce(ServerUrl(u"redirect/302?to=") + target);
        EXPECT_FALSE(fetched.opened) << Narrow(target) << " answered " << fetched.status.value_or(0);
    }
    EXPECT_TRUE(LoggedRequests("/small.bin?elsewhere=").empty()) << RequestLog();

    // The release check takes such an answer as no answer at all.
    {
        std::ofstream release(ToWin(Env(L"TARNWICK_TEST_ROOT") + u"\\redirect-release.dat").c_str(),
                              std::ios::binary);
        release << "7\r\n";
    }
    Internet internet;
    EXPECT_EQ(QueryLatestRelease(internet, u"Tarnwick-redirect-test/1",
                                 ServerUrl(u"redirect/302?to=/redirect-release.dat")),
              7u);
    EXPECT_EQ(QueryLatestRelease(internet, u"Tarnwick-redirect-test/1",
                                 ServerUrl(u"redirect/302?to=") + OtherHostUrl(u"redirect-release.dat")),
              0u);
}

TEST(Win32RedirectTest, SendsNoCookieAndNoLogOn) {
    // Every redirect answer sets a cookie; none comes back.
    ASSERT_TRUE(FetchOnce(ServerUrl(u"hops/2/small.bin?cookies")).opened);
    const std::vector<std::string> hops = LoggedRequests("/hops/");
    ASSERT_FALSE(hops.empty());
    for (const std::string& line : hops) EXPECT_EQ(line.find("tarnwick-probe"), std::string::npos) << line;

    // A server that asks for a log-on gets its 401 back, unanswered.
    const Fetched fetched = FetchOnce(ServerUrl(u"auth/small.bin"));
    EXPECT_TRUE(fetched.opened);
    EXPECT_EQ(fetched.status, 401u);
    for (const std::string& line : LoggedRequests("/auth/")) {
        const std::size_t authorization = line.rfind('\t');
        EXPECT_EQ(line.substr(authorization + 1), "") << line;
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
