#pragma once
// libpq, loaded when a shared history is first opened rather than when the program starts: it
// brings two dozen libraries with it (TLS, Kerberos, LDAP) whose loading and relocation would
// lengthen every start, also on the benches that keep their history in a file.

#include <libpq-fe.h>

struct LibPq {
  decltype(&PQclear) clear;
  decltype(&PQconnectdbParams) connectdbParams;
  decltype(&PQconninfoFree) conninfoFree;
  decltype(&PQconninfoParse) conninfoParse;
  decltype(&PQerrorMessage) errorMessage;
  decltype(&PQexec) exec;
  decltype(&PQexecParams) execParams;
  decltype(&PQfinish) finish;
  decltype(&PQfreemem) freemem;
  decltype(&PQgetlength) getlength;
  decltype(&PQgetvalue) getvalue;
  decltype(&PQntuples) ntuples;
  decltype(&PQresultErrorMessage) resultErrorMessage;
  decltype(&PQresultStatus) resultStatus;
  decltype(&PQsetNoticeProcessor) setNoticeProcessor;
  decltype(&PQstatus) status;
};

// The library's functions, loaded on the first call; HistoryError naming the library when it
// cannot be loaded (package libpq5 missing) or lacks one of them. Safe from several threads.
const LibPq& libpq();
