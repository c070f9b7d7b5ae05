#include "core/history/libpq.h"

#include <dlfcn.h>

#include <string>

#include "core/history/historyevent.h"

namespace {

constexpr const char* kLibrary = "libpq.so.5";

// A function of the library, or HistoryError.
template <class F>
void bind(void* library, F& function, const char* name) {
  function = reinterpret_cast<F>(dlsym(library, name));
  if (!function)
    throw HistoryError(std::string("В библиотеке PostgreSQL ") + kLibrary + " нет функции " + name);
}

LibPq load() {
  void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* reason = dlerror();
    throw HistoryError(std::string("Не удалось загрузить библиотеку PostgreSQL ") + kLibrary +
                       " (пакет libpq5): " + (reason ? reason : "неизвестная ошибка"));
  }
  // Stays loaded to the program's end: connections may be open until then.
  LibPq pq{};
  bind(library, pq.clear, "PQclear");
  bind(library, pq.connectdbParams, "PQconnectdbParams");
  bind(library, pq.conninfoFree, "PQconninfoFree");
  bind(library, pq.conninfoParse, "PQconninfoParse");
  bind(library, pq.errorMessage, "PQerrorMessage");
  bind(library, pq.exec, "PQexec");
  bind(library, pq.execParams, "PQexecParams");
  bind(library, pq.finish, "PQfinish");
  bind(library, pq.freemem, "PQfreemem");
  bind(library, pq.getlength, "PQgetlength");
  bind(library, pq.getvalue, "PQgetvalue");
  bind(library, pq.ntuples, "PQntuples");
  bind(library, pq.resultErrorMessage, "PQresultErrorMessage");
  bind(library, pq.resultStatus, "PQresultStatus");
  bind(library, pq.setNoticeProcessor, "PQsetNoticeProcessor");
  bind(library, pq.status, "PQstatus");
  return pq;
}

}  // namespace

const LibPq& libpq() {
  // A failed load throws out of the initialisation, so the next call tries again.
  static const LibPq pq = load();
  return pq;
}
