#include "toolkit/number_text.h"

#include "toolkit/text_buffer.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kBillion = 1000000000u;

// Writes `value` as the integer digits of `fixed`.
void SetIntegerDigits(FixedDecimal* fixed, uint64_t value) {
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    fixed->intLength = count;
    for (int i = 0; i < count; ++i)
        fixed->intDigits[i] = reversed[count - 1 - i];
}

// Writes mantissa * 2^exponent (exponent >= 0) as the integer digits of
// `fixed`, using base-1e9 limbs: 309 digits need 35 of them.
void SetBigIntegerDigits(FixedDecimal* fixed, uint64_t mantissa, int exponent) {
    uint32_t limbs[40];
    int count = 0;
    for (; mantissa != 0; mantissa /= kBillion)
        limbs[count++] = uint32_t(mantissa % kBillion);
    while (exponent > 0) {
        int shift = exponent < 29 ? exponent : 29; // limb << 29 stays below 2^59
        uint64_t carry = 0;
        for (int i = 0; i < count; ++i) {
            uint64_t t = (uint64_t(limbs[i]) << shift) + carry;
            limbs[i] = uint32_t(t % kBillion);
            carry = t / kBillion;
        }
        for (; carry != 0; carry /= kBillion)
            limbs[count++] = uint32_t(carry % kBillion);
        exponent -= shift;
    }
    SetIntegerDigits(fixed, limbs[count - 1]);
    for (int i = count - 2; i >= 0; --i) {
        uint32_t limb = limbs[i];
        for (int d = 8; d >= 0; --d) {
            fixed->intDigits[fixed->intLength + d] = char('0' + limb % 10);
            limb /= 10;
        }
        fixed->intLength += 9;
    }
}

// Adds one unit in the last kept place, carrying into the integer digits.
void RoundUp(FixedDecimal* fixed) {
    for (int i = fixed->decimals - 1; i >= 0; --i) {
        if (fixed->fracDigits[i] != '9') {
            ++fixed->fracDigits[i];
            return;
        }
        fixed->fracDigits[i] = '0';
    }
    for (int i = fixed->intLength - 1; i >= 0; --i) {
        if (fixed->intDigits[i] != '9') {
            ++fixed->intDigits[i];
            return;
        }
        fixed->intDigits[i] = '0';
    }
    std::memmove(fixed->intDigits + 1, fixed->intDigits, size_t(fixed->intLength));
    fixed->intDigits[0] = '1';
    ++fixed->intLength;
}

// Expands the fraction `fraction` / 2^bits into decimal digits, then rounds
// the kept digits to nearest, ties to even, on the exact remainder.
void SetFractionDigits(FixedDecimal* fixed, uint64_t fraction, int bits) {
    // Scale the fraction to limbs / 2^(32 * count) so each digit is the
    // carry out of the top limb after a multiplication by 10.
    const int count = (bits + 31) / 32;
    const int shift = 32 * count - bits;
    uint32_t limbs[(kFixedFracDigits + 31) / 32 + 2] = {};
    uint64_t low = fraction << shift;
    limbs[0] = uint32_t(low);
    limbs[1] = uint32_t(low >> 32);
    limbs[2] = shift ? uint32_t(fraction >> (64 - shift)) : 0;

    const int produce = fixed->decimals < bits ? fixed->decimals : bits;
    for (int d = 0; d < produce; ++d) {
        uint64_t carry = 0;
        for (int i = 0; i < count; ++i) {
            uint64_t t = uint64_t(limbs[i]) * 10 + carry;
            limbs[i] = uint32_t(t);
            carry = t >> 32;
        }
        fixed->fracDigits[d] = char('0' + carry);
    }
    fixed->fracLength = produce;
    if (produce == bits) return; // every digit kept: exact, nothing to round

    const uint32_t half = 0x80000000u;
    int above = limbs[count - 1] > half;
    int equal = limbs[count - 1] == half;
    for (int i = 0; i < count - 1 && equal; ++i)
        if (limbs[i] != 0) above = 1, equal = 0;
    char last =
        produce > 0 ? fixed->fracDigits[produce - 1] : fixed->intDigits[fixed->intLength - 1];
    if (above || (equal && (last - '0') % 2 == 1)) RoundUp(fixed);
}

} // namespace

int FixedDecimalMake(double value, int decimals, FixedDecimal* fixed) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    fixed->negative = int(bits >> 63);
    fixed->decimals = decimals < 0 ? 0 : decimals;
    fixed->intLength = 1;
    fixed->intDigits[0] = '0';
    fixed->fracLength = 0;
    const int biased = int((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t(1) << 52) - 1);
    fixed->finite = biased != 0x7FF;
    fixed->nan = !fixed->finite && mantissa != 0;
    if (!fixed->finite) return 0;

    int exponent = -1074;
    if (biased != 0) {
        mantissa |= uint64_t(1) << 52;
        exponent = biased - 1075;
    }
    if (mantissa == 0) return 1;
    while ((mantissa & 1) == 0) { // fewer fraction bits, fewer digits to expand
        mantissa >>= 1;
        ++exponent;
    }
    if (exponent >= 0) {
        SetBigIntegerDigits(fixed, mantissa, exponent);
        return 1;
    }
    const int fractionBits = -exponent; // 1..1074 fraction bits
    SetIntegerDigits(fixed, fractionBits < 64 ? mantissa >> fractionBits : 0);
    SetFractionDigits(fixed,
                      fractionBits < 64 ? mantissa & ((uint64_t(1) << fractionBits) - 1) : mantissa,
                      fractionBits);
    return 1;
}

char FixedDecimalFracDigit(const FixedDecimal* fixed, int index) {
    return index >= 0 && index < fixed->fracLength ? fixed->fracDigits[index] : '0';
}

uint8_t FloatToText(float value, char* out, size_t outSize, uint8_t decimals, uint8_t width,
                    int withPlus) {
    TextBuffer text = TextBufferMake(out, outSize);
    FixedDecimal fixed;
    if (!FixedDecimalMake(value, decimals, &fixed)) {
        const char* word = fixed.nan        ? "nan"
                           : fixed.negative ? "-inf"
                           : withPlus == 1  ? "+inf"
                                            : "inf";
        size_t length = std::strlen(word);
        if (width > length) TextPutRepeated(&text, ' ', width - length);
        TextPutString(&text, word);
    } else {
        char sign = fixed.negative ? '-' : (withPlus == 1 && value != 0.0f ? '+' : 0);
        int length = (sign ? 1 : 0) + fixed.intLength + (decimals ? 1 + decimals : 0);
        if (sign) TextPut(&text, sign);
        if (width > length) TextPutRepeated(&text, '0', size_t(width - length));
        for (int i = 0; i < fixed.intLength; ++i)
            TextPut(&text, fixed.intDigits[i]);
        if (decimals) TextPut(&text, '.');
        for (int i = 0; i < decimals; ++i)
            TextPut(&text, FixedDecimalFracDigit(&fixed, i));
    }
    return uint8_t(text.length < 255 ? text.length : 255);
}

double TextToNumber(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    bool negative = false;
    for (; *p && !(*p >= '0' && *p <= '9') && *p != '.' && *p != ','; ++p)
        if (*p == '-') negative = true;
    if (!*p) return 0.0;

    double whole = 0.0;
    for (int count = 0; *p >= '0' && *p <= '9'; ++p, ++count)
        if (count < 53) whole = whole * 10.0 + (*p - '0');
    // The fraction is gathered as an integer and divided once: exact up to
    // 15 digits, so "0.1" reads as the double nearest to 0.1.
    double digits = 0.0, scale = 1.0;
    if (*p == '.' || *p == ',') {
        ++p;
        for (int count = 0; *p >= '0' && *p <= '9'; ++p, ++count) {
            if (count >= 52) continue;
            digits = digits * 10.0 + (*p - '0');
            scale *= 10.0;
        }
    }
    double result = whole + digits / scale;
    if (result == 0.0) return 0.0; // "-0" is typed zero, not a negative zero
    return negative ? -result : result;
}

float RoundHalfDown(float value) {
    float whole = std::floor(value);
    return value - whole > 0.5f ? whole + 1.0f : whole;
}

int32_t ScaleMulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return 0;
    int64_t quotient = int64_t(a) * int64_t(b) / int64_t(c);
    if (quotient > INT32_MAX) return INT32_MAX;
    if (quotient < INT32_MIN) return INT32_MIN;
    return int32_t(quotient);
}
