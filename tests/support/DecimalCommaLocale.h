#pragma once

#include <clocale>
#include <locale>
#include <string>

// Switches the C and C++ global locales to the first available locale with a decimal comma and
// puts both back when the test ends.
class DecimalCommaLocaleGuard {
public:
    DecimalCommaLocaleGuard() : previousC_(std::setlocale(LC_ALL, nullptr)) {
        for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                name_ = name;
                previousCpp_ = std::locale::global(std::locale(name));
                return;
            }
        }
    }
    ~DecimalCommaLocaleGuard() {
        if (!name_.empty()) {
            std::locale::global(previousCpp_);
        }
        std::setlocale(LC_ALL, previousC_.c_str());
    }
    DecimalCommaLocaleGuard(const DecimalCommaLocaleGuard&) = delete;
    DecimalCommaLocaleGuard& operator=(const DecimalCommaLocaleGuard&) = delete;

    const std::string& Name() const { return name_; }

private:
    std::string previousC_;
    std::locale previousCpp_;
    std::string name_;
};

// The message of a test skipped because no decimal-comma locale is installed.
inline constexpr const char* NO_DECIMAL_COMMA_LOCALE =
    "no decimal-comma locale installed (tried de_DE.UTF-8, de_DE, fr_FR.UTF-8); generate "
    "de_DE.UTF-8 to run this test";
