#pragma once

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tl::test {

// Switches the C library to the German locale (decimal comma) while it lives, generating the
// locale first when the machine lacks it; tests that must prove locale independence skip only
// when even that fails. Use: `GermanLocale german; if (!german.active()) GTEST_SKIP() << german.why();`
class GermanLocale {
public:
    GermanLocale()
        : previous_(std::setlocale(LC_ALL, nullptr))
    {
        // ctest generates the locale once before these tests (the german_locale fixture). Run
        // by hand, tests in several processes may find it missing at once: one lock across
        // processes lets one of them generate it while the others wait, instead of reading a
        // half-written locale archive and skipping.
        const int lock = ::open("/tmp/tidelumine-german-locale.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lock >= 0) ::flock(lock, LOCK_EX);
        if (!switchToGerman()) {
            // localedef may report warnings in its exit status yet install the locale: try anyway.
            generate();
            active_ = switchToGerman();
        } else {
            active_ = true;
        }
        if (lock >= 0) ::close(lock);
    }
    ~GermanLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    bool active() const { return active_; }
    static const char* why()
    {
        return "de_DE.UTF-8 is not installed and `localedef -i de_DE -f UTF-8 de_DE.UTF-8` failed "
               "(needs the locales package and root)";
    }

private:
    static bool switchToGerman()
    {
        // A locale that did not take, or that still writes a point, would prove nothing.
        return std::setlocale(LC_ALL, "de_DE.UTF-8") && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    }
    static bool generate() { return std::system("localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1") == 0; }

    std::string previous_;
    bool active_ = false;
};

} // namespace tl::test
