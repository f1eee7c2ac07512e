#pragma once
// The PostgreSQL client library, loaded when the first connection is made rather than linked: for
// the fleet's own sources only (they alone see libpq's header).
#include <libpq-fe.h>

namespace ijken::fleet::detail {

// The libpq functions the program calls. The program does not link libpq: every start would load
// it and the two dozen libraries it needs (TLS, Kerberos, LDAP...), for a few commands that talk to
// the office. It is loaded at the first of these instead, and its functions looked up by name.
#define IJKEN_LIBPQ_FUNCTIONS(X) \
    X(PQclear) X(PQcmdTuples) X(PQconninfoFree) X(PQconninfoParse) \
    X(PQerrorMessage) X(PQfinish) X(PQfreemem) X(PQgetResult) \
    X(PQgetisnull) X(PQgetlength) X(PQgetvalue) X(PQnfields) X(PQntuples) X(PQputCopyData) \
    X(PQputCopyEnd) X(PQresultErrorMessage) X(PQresultStatus) X(PQsendQueryParams) \
    X(PQsetNoticeProcessor) X(PQsetSingleRowMode) X(PQstatus) X(PQsocket) X(PQconsumeInput) \
    X(PQisBusy) X(PQsetnonblocking) X(PQflush) X(PQsendQuery) X(PQresultErrorField) \
    X(PQconnectStartParams) X(PQconnectPoll) X(PQconnectionUsedPassword) X(PQsetErrorVerbosity) \
    X(PQpingParams)

struct Libpq {
#define IJKEN_LIBPQ_POINTER(name) decltype(&::name) name = nullptr;
    IJKEN_LIBPQ_FUNCTIONS(IJKEN_LIBPQ_POINTER)
#undef IJKEN_LIBPQ_POINTER
};

// The library's functions, loading it at the first call. Throws FleetError when it is not
// installed or lacks a function; a later call tries again.
const Libpq& pq();

}  // namespace ijken::fleet::detail
