#include "settings/settings.h"

#include "math/same_math.h"
#include "platform/debug_output.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

InstanceHandle instanceHandle = nullptr;
int32_t modeSetting = 0;
double gammaSetting = 1.0;
int32_t startPosition = 0;
int32_t fullScreen = 0;
int32_t vemoFlag = 0;
int32_t gammaTable[kGammaEntries];

namespace {

enum Keyword { kNone = 0, kMode = 1, kGamma = 2, kPos = 3, kFull = 4, kVemo = 5 };

Keyword keywordNumber(const char* token) {
    static const char* const names[] = {"mode", "gamma", "pos", "full", "vemo"};
    for (int i = 0; i < 5; ++i)
        if (std::strcmp(token, names[i]) == 0) return static_cast<Keyword>(i + 1);
    return kNone;
}

const char* skipWhiteSpace(const char* p) {
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    return p;
}

const char* skipDigits(const char* p) {
    while (*p >= '0' && *p <= '9') ++p;
    return p;
}

void storeValue(Keyword keyword, const char* token) {
    switch (keyword) {
    case kMode:
        modeSetting = convertDecimalInteger(token);
        break;
    case kGamma:
        gammaSetting = convertDecimalReal(token);
        break;
    case kPos:
        startPosition = convertDecimalInteger(token);
        break;
    case kFull:
        fullScreen = convertDecimalInteger(token) & 1;
        break;
    case kVemo:
        vemoFlag = convertDecimalInteger(token) & 1;
        break;
    case kNone:
        break;
    }
}

} // namespace

int32_t convertDecimalInteger(const char* text) {
    const char* p = skipWhiteSpace(text);
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    if (*digits < '0' || *digits > '9') return 0;
    long long value = std::strtoll(p, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

double convertDecimalReal(const char* text) {
    // Only plain decimal notation: strtod alone would also read "inf", "nan"
    // and hexadecimal floats, which the settings never mean.
    const char* start = skipWhiteSpace(text);
    const char* p = start;
    if (*p == '+' || *p == '-') ++p;
    const char* integerEnd = skipDigits(p);
    bool any = integerEnd != p;
    p = integerEnd;
    if (*p == '.') {
        const char* fractionEnd = skipDigits(p + 1);
        any = any || fractionEnd != p + 1;
        p = fractionEnd;
    }
    if (!any) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        const char* exponentEnd = skipDigits(e);
        if (exponentEnd != e) p = exponentEnd;
    }
    char number[kTokenCapacity];
    size_t length = static_cast<size_t>(p - start);
    if (length >= sizeof number) length = sizeof number - 1; // cannot happen for a token
    std::memcpy(number, start, length);
    number[length] = '\0';
    return std::strtod(number, nullptr);
}

void buildGammaTable(double gamma) {
    for (int i = 0; i < kGammaEntries; ++i) {
        double value = samePow(i * 0.00390625, gamma) * 256.0;
        // Out-of-range and infinite values take the x86 conversion's
        // "integer indefinite" result, whose low 32 bits are 0.
        int64_t whole = INT64_MIN;
        if (value > -9223372036854775808.0 && value < 9223372036854775808.0)
            whole = static_cast<int64_t>(value);
        gammaTable[i] = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
    }
}

void parseCommandLine(const char* commandLine) {
    modeSetting = 0;
    gammaSetting = 1.0;
    startPosition = 0;
    fullScreen = 0;
    vemoFlag = 0;

    outputDebugString("\n\n\nkonten:");

    char token[kTokenCapacity];
    int tokenCounter = 0;
    Keyword keyword = kNone;
    const char* p = commandLine ? commandLine : "";
    for (;;) {
        int length = 0;
        while (*p && *p != ' ') {
            if (length < kTokenCapacity - 1) token[length++] = *p;
            ++p;
        }
        while (*p == ' ') ++p;
        token[length] = '\0';
        if (tokenCounter % 2 == 0)
            keyword = keywordNumber(token);
        else
            storeValue(keyword, token);
        ++tokenCounter;
        if (*p == '\0') break;
    }

    buildGammaTable(gammaSetting);
}
