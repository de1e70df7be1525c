// The tables come from ICU's "windows-936-2000" converter, the one that matches Windows' code
// page 936 mapping (euro at 0x80 included); glibc iconv lacks it and is too slow per character.
#include "platform/codepage/gbk_tables.h"

#include <memory>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/unorm2.h>

namespace veldo::codepage {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

void FillFromIcu(GbkTables& t, UConverter* cnv) {
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (unsigned u = 0x80; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        const UChar unit = static_cast<UChar>(u);
        char out[8];
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_fromUChars(cnv, out, sizeof out, &unit, 1, &status);
        if (U_FAILURE(status)) continue;
        if (n == 1) t.toGbk[u] = static_cast<unsigned char>(out[0]);
        if (n == 2)
            t.toGbk[u] = static_cast<uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                               static_cast<unsigned char>(out[1]));
    }
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        const char in = static_cast<char>(b);
        UChar out[4];
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_toUChars(cnv, out, 4, &in, 1, &status);
        if (U_SUCCESS(status) && n == 1) t.fromSingle[b - 0x80] = out[0];
    }
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            UChar out[4];
            status = U_ZERO_ERROR;
            const int32_t n = ucnv_toUChars(cnv, out, 4, in, 2, &status);
            if (U_SUCCESS(status) && n == 1)
                t.fromPair[PairIndex(static_cast<unsigned char>(lead),
                                     static_cast<unsigned char>(trail))] = out[0];
        }
    }
}

const GbkTables* Build() {
    auto* t = new GbkTables;
    for (unsigned u = 0; u < 0x10000; ++u)
        t->toGbk[u] = u < 0x80 ? u : kUnmappable;
    for (auto& c : t->fromPair)
        c = 0xFFFD;
    for (auto& c : t->fromSingle)
        c = 0xFFFD;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> cnv(ucnv_open("windows-936-2000", &status));
    // Without ICU's data only ASCII converts; every other character becomes "?".
    if (U_SUCCESS(status) && cnv) FillFromIcu(*t, cnv.get());
    for (unsigned u = 0x300; u < 0x10000; ++u)
        if (t->toGbk[u] == kUnmappable && u_getCombiningClass(static_cast<UChar32>(u)) != 0)
            t->unmappableMark.set(u);
    return t;
}

} // namespace

const GbkTables& Gbk() {
    static const GbkTables* const tables = Build(); // never freed: read until process end
    return *tables;
}

char16_t ComposedGbkCharacter(char32_t base, char32_t mark) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return 0;
    const UChar32 composed =
        unorm2_composePair(nfc, static_cast<UChar32>(base), static_cast<UChar32>(mark));
    if (composed < 0x80 || composed > 0xFFFF) return 0;
    if (Gbk().toGbk[composed] == kUnmappable) return 0;
    return static_cast<char16_t>(composed);
}

} // namespace veldo::codepage
