#pragma once
// The serial library: one port object per device worker, the process-wide port list and the
// texts every device protocol reports its serial failures with.
//
// A port is used synchronously from the one worker thread that owns it: every call blocks until
// its bytes are written or read or its time-out has run out, and reports every failure by
// throwing (MessageError with one of the texts below, win_error for what the system refuses).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/comm/frametap.h"

namespace comprt {

// The library's four message texts; device protocols raise the last two themselves.
enum MessageKey { msgPortNotOpen, msgNoAnswer, msgExchangeError, msgChecksumError };
extern const char* const messages[4];

// Throws MessageError with the text of `key`.
[[noreturn]] void fail(MessageKey key);

// What the user is told when the system refuses to open the port at `path` for want of rights
// (`error` is EACCES or EPERM): the remedy, then the system's own text. `group` owns the device;
// empty when it could not be found out.
std::string portAccessText(int error, const std::string& path, const std::string& group);

// Scoped hold of a mutex: released also when the guarded code throws.
class Lock {
 public:
  explicit Lock(std::mutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~Lock() { mutex_.unlock(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  std::mutex& mutex_;
};

// Time-outs in milliseconds, with the meaning of the classic serial driver:
// - a read ends when all requested bytes arrived, or when readTotalMultiplier * count +
//   readTotalConstant has passed since it started (0 = no total limit), or, once a byte has
//   arrived, when readInterval passes without another one (0 = no interval limit);
// - a write ends short when writeTotalMultiplier * count + writeTotalConstant has passed
//   (0 = no limit).
struct Timeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
};

class ComPort {
 public:
  class ComList;

  enum DtrControl { DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2 };
  enum RtsControl {
    RTS_CONTROL_DISABLE = 0,
    RTS_CONTROL_ENABLE = 1,
    RTS_CONTROL_HANDSHAKE = 2,
    RTS_CONTROL_TOGGLE = 3
  };
  enum StopBits { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };
  // Codes of escape(): raising and lowering the modem lines.
  enum EscapeCode { SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6 };
  // The system's write-fault code, carried by the win_error of a write that ended short.
  static constexpr int kWriteFault = 29;

  // `family` names the device family in the frames the port records.
  explicit ComPort(FrameFamily family = FrameFamily::unknown) : recorder_(family) {}
  ~ComPort();
  ComPort(const ComPort&) = delete;
  ComPort& operator=(const ComPort&) = delete;

  // Opens /dev/<name> (a name containing '/' is a path) without touching the line settings.
  // Closes the port first; throws "COM-порт не открыт" when the device cannot be opened, the
  // portAccessText when the user lacks the rights to it.
  void open(const std::string& name);
  // Opens and applies 8 data bits, no parity, one stop bit, no flow control, DTR and RTS
  // raised, and the time-outs { total read constant = readTimeout, everything else 0 }.
  // A setting the system refuses closes the port again and throws win_error.
  void open(const std::string& name, int baudRate, std::uint32_t readTimeout);
  // As above with the name at a 1-based position of the port list; 0 closes the port.
  void open(int index, int baudRate, std::uint32_t readTimeout);
  // The long form: also the total read multiplier, the DTR and RTS control and the stop bits.
  void open(int index, int baudRate, std::uint32_t readTimeout, std::uint32_t readMultiplier,
            int dtrControl, int rtsControl, int stopBits);
  void close();
  bool isOpen() const { return fd_ >= 0; }

  // Reads exactly n bytes; fewer within the time-outs throw "Прибор не отвечает".
  void read(void* buffer, std::size_t n);  // can throw
  // Reads up to max bytes and returns how many arrived; none throws "Прибор не отвечает".
  std::size_t readAvailable(void* buffer, std::size_t max);  // can throw
  // Writes all n bytes; a write that ends short throws win_error(kWriteFault).
  void write(const void* buffer, std::size_t n);  // can throw
  // Discards whatever waits in the driver in both directions.
  void purge();
  // Discards only what was received and not read yet.
  void purgeInput();

  Timeouts timeouts() const;
  void setTimeouts(const Timeouts& timeouts);
  // Replaces only the total read constant.
  void setReadTimeout(std::uint32_t milliseconds);

  // Set or clear the line break; false when the system refused (errno tells why).
  bool setBreak();
  bool clearBreak();
  // Raises or lowers DTR or RTS (EscapeCode); false when refused (errno tells why). A port
  // without modem lines, such as a pseudo-terminal, accepts the change as a no-op.
  bool escape(int code);

 private:
  struct LineSettings {
    int baudRate;
    std::uint32_t readTimeout;
    std::uint32_t readMultiplier = 0;
    int dtrControl = DTR_CONTROL_ENABLE;
    int rtsControl = RTS_CONTROL_ENABLE;
    int stopBits = ONESTOPBIT;
  };

  void openAt(int index, const LineSettings& settings);
  void openConfigured(const std::string& name, const LineSettings& settings);
  void configure(const LineSettings& settings);
  void requireOpen() const;
  std::size_t receive(std::uint8_t* buffer, std::size_t n);
  // Records the reply as incomplete and throws "Прибор не отвечает".
  [[noreturn]] void failShortReply();
  bool changeModemLine(unsigned long request, int line);

  int fd_ = -1;
  Timeouts timeouts_;
  std::mutex readMutex_;
  FrameRecorder recorder_;
};

// The serial ports of the machine. Ports are addressed by a 1-based position; 0 means no port.
// A list never changes once built: when ports come and go a new list replaces the process-wide
// one, and whoever holds the old one keeps a valid list (see mergePortList for why a position
// keeps its name across replacements).
class ComPort::ComList {
 public:
  explicit ComList(std::vector<std::string> names);
  ComList(const ComList&) = delete;
  ComList& operator=(const ComList&) = delete;

  // The process-wide list. Until install() is called it holds what buildPortList makes of
  // TDSERVICE_PORTS alone. Any thread may ask; the list stays valid for as long as it is held.
  static std::shared_ptr<const ComList> instance();
  // Replaces the process-wide list; safe while workers open ports.
  static void install(std::vector<std::string> names);

  // The names followed by a null pointer.
  const char* const* names() const { return pointers_.data(); }
  // The names, each followed by a line feed: the item list of a port combo box.
  const std::string& text() const { return text_; }
  int count() const { return static_cast<int>(names_.size()); }
  // The name at a 1-based position; throws "COM-порт не открыт" outside 1..count().
  const std::string& name(int index) const;

 private:
  std::vector<std::string> names_;
  std::vector<const char*> pointers_;
  std::string text_;
};

}  // namespace comprt
