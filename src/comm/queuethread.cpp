#include "comm/queuethread.h"

#include <new>

std::string queueFailureText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return "Недостаточно памяти";
  } catch (const std::exception& e) {
    return e.what();
  } catch (const char* text) {
    return text ? text : "";
  } catch (const std::string& text) {
    return text;
  } catch (...) {
    return "Неизвестная ошибка";
  }
}
