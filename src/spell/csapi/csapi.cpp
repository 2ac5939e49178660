// The exported entry points: argument checks, the session table and the exception barrier.
#include "csapi.h"

#include "MainDictionary.h"
#include "Session.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <new>

static_assert(sizeof(WSC) == 11);
static_assert(sizeof(MDRS) == 12);
static_assert(sizeof(void*) != 8 || (sizeof(SIB) == 32 && sizeof(SRB) == 40));
static_assert(sizeof(void*) != 4 || (sizeof(SIB) == 20 && sizeof(SRB) == 24));

namespace {

std::mutex sessionsMutex;
std::map<SPLID, std::unique_ptr<csapi::Session>> sessions;
SPLID nextSplid = 1;

constexpr SEC invalidId = CSAPI_SEC(secModuleError, secInvalidID);

// Runs an entry point's body under the library lock; nothing thrown crosses the C boundary.
template <class Body> SEC guarded(Body body) noexcept {
    try {
        const std::lock_guard lock(sessionsMutex);
        return body();
    } catch (const std::bad_alloc&) {
        return secOOM;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillcsapi: %s\n", e.what());
        return secModuleError;
    } catch (...) {
        return secModuleError;
    }
}

csapi::Session* sessionOf(SPLID splid) {
    const auto it = sessions.find(splid);
    return it == sessions.end() ? nullptr : it->second.get();
}

// Runs `body` with the session of `splid`, or answers "invalid id".
template <class Body> SEC withSession(SPLID splid, Body body) noexcept {
    return guarded([&]() -> SEC {
        csapi::Session* session = sessionOf(splid);
        return session ? body(*session) : invalidId;
    });
}

} // namespace

extern "C" {

SEC SpellVer(CSAPI_WORD* pwVer, CSAPI_WORD* pwEngine, CSAPI_WORD* pwSpellType) {
    if (pwVer)
        *pwVer = 0x0100;
    if (pwEngine)
        *pwEngine = 0x0001;
    if (pwSpellType)
        *pwSpellType = 0;
    return 0;
}

SEC SpellInit(SPLID* pSplid, const WSC* pWsc) {
    if (!pSplid)
        return invalidId;
    if (!pWsc)
        return CSAPI_SEC(secModuleError, secInvalidWsc);
    return guarded([&]() -> SEC {
        const SPLID splid = nextSplid++;
        sessions[splid] = std::make_unique<csapi::Session>(*pWsc);
        *pSplid = splid;
        return 0;
    });
}

SEC SpellOptions(SPLID splid, uint32_t options) {
    return withSession(splid, [&](csapi::Session& session) -> SEC {
        session.setOptions(options);
        return 0;
    });
}

SEC SpellCheck(SPLID splid, CC command, const SIB* pSib, SRB* pSrb) {
    if (!pSib || !pSrb)
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    return withSession(splid, [&](csapi::Session& session) { return session.check(command, *pSib, *pSrb); });
}

SEC SpellTerminate(SPLID splid, CSAPI_BOOL force) {
    return guarded([&]() -> SEC {
        csapi::Session* session = sessionOf(splid);
        if (!session)
            return invalidId;
        if (!force && session->hasOpenDictionaries())
            return CSAPI_SEC(secModuleError, secModuleNotTerminated);
        sessions.erase(splid);
        return 0;
    });
}

SEC SpellVerifyMdr(const CSAPI_CHAR* mainPath, LID lid, LID* pLid) {
    if (!mainPath)
        return CSAPI_SEC(secIOErrorMdr, secFileOpenError);
    return guarded([&]() -> SEC {
        const SEC error = csapi::verifyDictionaryFiles(mainPath);
        if (!error && pLid)
            *pLid = lid;
        return error;
    });
}

SEC SpellOpenMdr(SPLID splid, const CSAPI_CHAR* mainPath, const CSAPI_CHAR* exclusionPath,
                 CSAPI_BOOL createExclusion, CSAPI_BOOL /*cache*/, LID lid, MDRS* pMdrs) {
    if (!mainPath)
        return CSAPI_SEC(secIOErrorMdr, secFileOpenError);
    if (!pMdrs)
        return CSAPI_SEC(secModuleError, secInvalidMainDict);
    return withSession(splid, [&](csapi::Session& session) {
        return session.openMainDictionary(mainPath, exclusionPath, createExclusion != 0, lid, *pMdrs);
    });
}

SEC SpellOpenUdr(SPLID splid, const CSAPI_CHAR* path, CSAPI_BOOL create, CSAPI_WORD property, UDR* pUdr,
                 CSAPI_BOOL* pReadOnly) {
    if (!pUdr)
        return CSAPI_SEC(secModuleError, secInvalidUdr);
    return withSession(splid, [&](csapi::Session& session) -> SEC {
        bool readOnly = false;
        const SEC error =
            session.openUserDictionary(path ? path : "", create != 0, property, *pUdr, readOnly);
        if (!error && pReadOnly)
            *pReadOnly = readOnly ? 1 : 0;
        return error;
    });
}

SEC SpellAddUdr(SPLID splid, UDR udr, const CSAPI_CHAR* word) {
    if (!word)
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    return withSession(splid, [&](csapi::Session& session) -> SEC {
        csapi::UserDictionary* d = session.userDictionary(udr);
        return d ? d->add(word) : CSAPI_SEC(secModuleError, secInvalidUdr);
    });
}

SEC SpellAddChangeUdr(SPLID splid, UDR udr, const CSAPI_CHAR* word, const CSAPI_CHAR* replacement) {
    if (!word || !replacement)
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    return withSession(splid, [&](csapi::Session& session) -> SEC {
        csapi::UserDictionary* d = session.userDictionary(udr);
        return d ? d->addChange(word, replacement) : CSAPI_SEC(secModuleError, secInvalidUdr);
    });
}

SEC SpellDelUdr(SPLID splid, UDR udr, const CSAPI_CHAR* word) {
    if (!word)
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    return withSession(splid, [&](csapi::Session& session) -> SEC {
        csapi::UserDictionary* d = session.userDictionary(udr);
        return d ? d->remove(word) : CSAPI_SEC(secModuleError, secInvalidUdr);
    });
}

SEC SpellClearUdr(SPLID splid, UDR udr) {
    return withSession(splid, [&](csapi::Session& session) -> SEC {
        csapi::UserDictionary* d = session.userDictionary(udr);
        return d ? d->clear() : CSAPI_SEC(secModuleError, secInvalidUdr);
    });
}

SEC SpellGetSizeUdr(SPLID splid, UDR udr, int32_t* pCount) {
    if (!pCount)
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    return withSession(splid, [&](csapi::Session& session) -> SEC {
        csapi::UserDictionary* d = session.userDictionary(udr);
        if (!d)
            return CSAPI_SEC(secModuleError, secInvalidUdr);
        *pCount = static_cast<int32_t>(d->size());
        return 0;
    });
}

SEC SpellGetListUdr(SPLID splid, UDR udr, CSAPI_WORD start, SRB* pSrb) {
    if (!pSrb)
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    return withSession(
        splid, [&](csapi::Session& session) { return session.listUserDictionary(udr, start, *pSrb); });
}

SEC SpellCloseMdr(SPLID splid, MDRS* pMdrs) {
    if (!pMdrs)
        return CSAPI_SEC(secModuleError, secInvalidMainDict);
    return withSession(splid, [&](csapi::Session& session) { return session.closeMainDictionary(*pMdrs); });
}

SEC SpellCloseUdr(SPLID splid, UDR udr, CSAPI_BOOL /*force*/) {
    return withSession(splid, [&](csapi::Session& session) { return session.closeUserDictionary(udr); });
}

} // extern "C"
