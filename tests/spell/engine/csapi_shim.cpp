// A stand-in speller library for the engine's tests: it records every call with its arguments and
// answers from a fixed script. Built a second time without SpellGetListUdr, as an incomplete library.
#include "csapi.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string calls;
int suggestionPage = 0;

void record(const std::string& line) {
    calls += line + '\n';
}

std::string text(const char* s) {
    return s ? std::string(s) : std::string("null");
}

void writeStrings(SRB* srb, const char* strings, std::size_t size) {
    std::memcpy(srb->lrgsz, strings, size);
    srb->csz = 0;
    for (std::size_t i = 0; i + 1 < size; ++i)
        srb->csz += strings[i] == '\0' ? 1 : 0;
    srb->cchMac = static_cast<uint16_t>(size);
}

} // namespace

extern "C" {

CSAPI_EXPORT const char* ShimCalls() {
    return calls.c_str();
}

CSAPI_EXPORT void ShimClear() {
    calls.clear();
}

SEC SpellVer(CSAPI_WORD*, CSAPI_WORD*, CSAPI_WORD*) {
    return 0;
}

SEC SpellInit(SPLID* splid, const WSC* wsc) {
    std::string bytes;
    const auto* b = reinterpret_cast<const unsigned char*>(wsc);
    for (std::size_t i = 0; i < sizeof(WSC); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", b[i]);
        bytes += hex;
    }
    record("SpellInit" + bytes);
    *splid = 7;
    return 0;
}

SEC SpellOptions(SPLID splid, uint32_t options) {
    record("SpellOptions " + std::to_string(splid) + ' ' + std::to_string(options));
    return 0;
}

SEC SpellCheck(SPLID, CC command, const SIB* sib, SRB* srb) {
    const std::string input(sib->lrgch, sib->cch);
    record("SpellCheck " + std::to_string(command) + ' ' + std::to_string(sib->wSpellState) + ' ' + input);
    srb->scrs = 0;
    srb->csz = 0;
    if (command == 2) {
        const auto bad = input.find("bad");
        if (bad != std::string::npos) {
            srb->scrs = 1;
            srb->ichError = static_cast<uint16_t>(bad);
            srb->cchError = 3;
        }
    } else if (command == 3 || command == 4) {
        suggestionPage = command == 3 ? 0 : suggestionPage + 1;
        static const char first[] = "alpha\0beta\0";
        static const char second[] = "beta\0gamma\0alpha\0";
        if (suggestionPage == 0)
            writeStrings(srb, first, sizeof first);
        else if (suggestionPage == 1)
            writeStrings(srb, second, sizeof second);
        else
            srb->scrs = 8;
    }
    return 0;
}

SEC SpellTerminate(SPLID splid, CSAPI_BOOL force) {
    record("SpellTerminate " + std::to_string(splid) + ' ' + std::to_string(force));
    return 0;
}

SEC SpellVerifyMdr(const CSAPI_CHAR*, LID, LID*) {
    return 0;
}

SEC SpellOpenMdr(SPLID, const CSAPI_CHAR* main, const CSAPI_CHAR* exclusion, CSAPI_BOOL create,
                 CSAPI_BOOL cache, LID lid, MDRS* mdrs) {
    record("SpellOpenMdr " + text(main) + ' ' + text(exclusion) + ' ' + std::to_string(create) + ' ' +
           std::to_string(cache) + ' ' + std::to_string(lid));
    mdrs->mdr = 1;
    mdrs->sclid = lid;
    mdrs->udrExc = 0;
    return 0;
}

SEC SpellOpenUdr(SPLID, const CSAPI_CHAR* path, CSAPI_BOOL create, CSAPI_WORD property, UDR* udr,
                 CSAPI_BOOL* readOnly) {
    record("SpellOpenUdr " + text(path) + ' ' + std::to_string(create) + ' ' + std::to_string(property));
    *udr = 2;
    *readOnly = 0;
    return 0;
}

SEC SpellAddUdr(SPLID, UDR udr, const CSAPI_CHAR* word) {
    record("SpellAddUdr " + std::to_string(udr) + ' ' + text(word));
    return std::strcmp(word, "fail") == 0 ? CSAPI_SEC(secIOErrorUdr, secFileReadError) : 0;
}

SEC SpellAddChangeUdr(SPLID, UDR udr, const CSAPI_CHAR* word, const CSAPI_CHAR* replacement) {
    record("SpellAddChangeUdr " + std::to_string(udr) + ' ' + text(word) + ' ' + text(replacement));
    return 0;
}

SEC SpellDelUdr(SPLID, UDR, const CSAPI_CHAR*) {
    return 0;
}

SEC SpellClearUdr(SPLID, UDR) {
    return 0;
}

SEC SpellGetSizeUdr(SPLID, UDR, int32_t*) {
    return 0;
}

#ifndef QUILL_SHIM_INCOMPLETE
SEC SpellGetListUdr(SPLID, UDR, CSAPI_WORD, SRB*) {
    return 0;
}
#endif

SEC SpellCloseMdr(SPLID, MDRS* mdrs) {
    record("SpellCloseMdr " + std::to_string(mdrs->mdr));
    return 0;
}

// Answers "not open" as the published library does for this call; the engine accepts it.
SEC SpellCloseUdr(SPLID, UDR udr, CSAPI_BOOL force) {
    record("SpellCloseUdr " + std::to_string(udr) + ' ' + std::to_string(force));
    return CSAPI_SEC(secModuleError, secInvalidID);
}

} // extern "C"
