#include "core/comm/comport.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <optional>
#include <utility>

#include "core/base/errors.h"
#include "core/comm/portlist.h"

namespace comprt {

const char* const messages[4] = {"COM-порт не открыт", "Прибор не отвечает", "Ошибка обмена",
                                 "Ошибка контрольной суммы"};

void fail(MessageKey key) { throw MessageError(messages[key]); }

std::string portAccessText(int error, const std::string& path, const std::string& group) {
  const std::string who = group.empty() ? "группу, которой принадлежит порт" : "группу " + group;
  return "Нет доступа к порту " + path + ": пользователь должен входить в " + who +
         " (после добавления — войти в систему заново)\r\n" + win_error(error).what();
}

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The other end of the line went away (a USB adapter pulled out, a pseudo-terminal closed): the
// port stays useless until it is opened again.
[[noreturn]] void failHangUp() {
  throw win_error(EIO, "Связь с портом потеряна: устройство отключено. Откройте порт заново");
}

[[noreturn]] void failErrno() {
  if (errno == EIO) failHangUp();
  throw win_error(errno);
}

std::optional<speed_t> speedCode(int baudRate) {
  static constexpr std::pair<int, speed_t> kSpeeds[] = {
      {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
      {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
      {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
      {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
  for (const auto& [rate, code] : kSpeeds) {
    if (rate == baudRate) return code;
  }
  return std::nullopt;
}

// A time-out of `ms` milliseconds from `start`; none when ms is 0.
std::optional<Clock::time_point> deadlineAfter(Clock::time_point start, std::uint64_t ms) {
  if (ms == 0) return std::nullopt;
  return start + milliseconds(ms);
}

// What poll() is to wait for a deadline: rounded up, since truncating wakes a millisecond early.
int pollTimeout(std::optional<Clock::time_point> deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::ceil<milliseconds>(*deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<std::int64_t>(left, 0, std::numeric_limits<int>::max()));
}

// Waits for `events` on fd until the deadline. Returns the events that arrived, 0 on time-out.
short waitFor(int fd, short events, std::optional<Clock::time_point> deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, pollTimeout(deadline));
    if (r > 0) {
      if (p.revents & POLLNVAL) throw win_error(EBADF);
      return p.revents;
    }
    if (r == 0) {
      if (!deadline || Clock::now() >= *deadline) return 0;
      continue;  // woke before the deadline after all
    }
    if (errno != EINTR) failErrno();
  }
}

std::optional<Clock::time_point> earlier(std::optional<Clock::time_point> a,
                                         std::optional<Clock::time_point> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

// The name of the group owning the device at `path` (its number when the group has no name),
// empty when the device cannot be looked at.
std::string deviceGroup(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return found->gr_name;
  return std::to_string(st.st_gid);
}

[[noreturn]] void failOpen(const std::string& path) {
  const int error = errno;
  if (error == EACCES || error == EPERM)
    throw MessageError(portAccessText(error, path, deviceGroup(path)));
  fail(msgPortNotOpen);
}
}  // namespace

ComPort::~ComPort() { close(); }

void ComPort::open(const std::string& name) {
  close();
  const std::string path = name.find('/') == std::string::npos ? "/dev/" + name : name;
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) failOpen(path);
  recorder_.setPort(name);
  // No sharing: a second open of the device fails while this one holds it. Not every device
  // supports it, and the port works without.
  ::ioctl(fd_, TIOCEXCL);
}

void ComPort::open(const std::string& name, int baudRate, std::uint32_t readTimeout) {
  openConfigured(name, {baudRate, readTimeout});
}

void ComPort::open(int index, int baudRate, std::uint32_t readTimeout) {
  openAt(index, {baudRate, readTimeout});
}

void ComPort::open(int index, int baudRate, std::uint32_t readTimeout, std::uint32_t readMultiplier,
                   int dtrControl, int rtsControl, int stopBits) {
  openAt(index, {baudRate, readTimeout, readMultiplier, dtrControl, rtsControl, stopBits});
}

void ComPort::openAt(int index, const LineSettings& settings) {
  close();
  if (index == 0) return;
  // A copy: the list may be replaced while the port is being opened.
  const std::string name = ComList::instance()->name(index);
  openConfigured(name, settings);
}

void ComPort::openConfigured(const std::string& name, const LineSettings& settings) {
  open(name);
  try {
    configure(settings);
  } catch (...) {
    close();
    throw;
  }
}

void ComPort::configure(const LineSettings& settings) {
  // One and a half stop bits do not exist with 8 data bits; DTR handshake and RTS toggle do not
  // exist on this system: refused like any other setting the driver cannot do.
  const std::optional<speed_t> speed = speedCode(settings.baudRate);
  const bool supported =
      speed && (settings.stopBits == ONESTOPBIT || settings.stopBits == TWOSTOPBITS) &&
      (settings.dtrControl == DTR_CONTROL_DISABLE || settings.dtrControl == DTR_CONTROL_ENABLE) &&
      settings.rtsControl >= RTS_CONTROL_DISABLE && settings.rtsControl <= RTS_CONTROL_HANDSHAKE;
  if (!supported) throw win_error(EINVAL);

  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) failErrno();
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  if (settings.stopBits == TWOSTOPBITS) tio.c_cflag |= CSTOPB;
  if (settings.rtsControl == RTS_CONTROL_HANDSHAKE) tio.c_cflag |= CRTSCTS;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
  // Timing comes from poll(): read() takes whatever is there.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, *speed) != 0 || ::cfsetospeed(&tio, *speed) != 0) failErrno();
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) failErrno();

  const bool dtr = settings.dtrControl == DTR_CONTROL_ENABLE;
  const bool rts = settings.rtsControl != RTS_CONTROL_DISABLE;
  if (!escape(dtr ? SETDTR : CLRDTR) || !escape(rts ? SETRTS : CLRRTS)) failErrno();
  timeouts_ = Timeouts{0, settings.readMultiplier, settings.readTimeout, 0, 0};
}

void ComPort::close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

void ComPort::requireOpen() const {
  if (fd_ < 0) fail(msgPortNotOpen);
}

void ComPort::read(void* buffer, std::size_t n) {
  requireOpen();
  if (receive(static_cast<std::uint8_t*>(buffer), n) != n) failShortReply();
}

std::size_t ComPort::readAvailable(void* buffer, std::size_t max) {
  requireOpen();
  const std::size_t count = receive(static_cast<std::uint8_t*>(buffer), max);
  if (count == 0) failShortReply();
  return count;
}

void ComPort::failShortReply() {
  // Also a reply of no byte at all gets its line: the request went unanswered.
  recorder_.received(nullptr, 0);
  recorder_.endReply(FrameCheck::bad, messages[msgNoAnswer]);
  fail(msgNoAnswer);
}

std::size_t ComPort::receive(std::uint8_t* buffer, std::size_t n) {
  Lock lock(readMutex_);
  const auto start = Clock::now();
  const auto total = deadlineAfter(
      start, std::uint64_t{timeouts_.readTotalMultiplier} * n + timeouts_.readTotalConstant);
  std::size_t got = 0;
  std::optional<Clock::time_point> gapEnd;  // set once the first byte arrived
  while (got < n) {
    const short events = waitFor(fd_, POLLIN, earlier(total, gapEnd));
    if (events == 0) break;
    // Bytes that arrived before a hang-up are read first; a hang-up before all requested bytes
    // arrived is told apart from a silent device.
    if (events & POLLIN) {
      const ssize_t k = ::read(fd_, buffer + got, n - got);
      if (k > 0) {
        recorder_.received(buffer + got, static_cast<std::size_t>(k));
        got += static_cast<std::size_t>(k);
        if (timeouts_.readInterval != 0)
          gapEnd = Clock::now() + milliseconds(timeouts_.readInterval);
        continue;
      }
      if (k == 0) failHangUp();
      if (errno == EAGAIN || errno == EINTR) continue;
      failErrno();
    }
    if (events & (POLLHUP | POLLERR)) failHangUp();
  }
  return got;
}

void ComPort::write(const void* buffer, std::size_t n) {
  requireOpen();
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  const auto deadline =
      deadlineAfter(Clock::now(), std::uint64_t{timeouts_.writeTotalMultiplier} * n +
                                      timeouts_.writeTotalConstant);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t k = ::write(fd_, bytes + done, n - done);
    if (k >= 0) {
      done += static_cast<std::size_t>(k);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) failErrno();
    if (waitFor(fd_, POLLOUT, deadline) == 0) break;
  }
  if (done != n) throw win_error(kWriteFault, "Не удаётся произвести запись в порт");
  recorder_.sent(bytes, n);
}

void ComPort::purge() {
  requireOpen();
  if (::tcflush(fd_, TCIOFLUSH) != 0) failErrno();
}

void ComPort::purgeInput() {
  requireOpen();
  if (::tcflush(fd_, TCIFLUSH) != 0) failErrno();
}

Timeouts ComPort::timeouts() const {
  requireOpen();
  return timeouts_;
}

void ComPort::setTimeouts(const Timeouts& timeouts) {
  requireOpen();
  timeouts_ = timeouts;
}

void ComPort::setReadTimeout(std::uint32_t milliseconds) {
  requireOpen();
  timeouts_.readTotalConstant = milliseconds;
}

bool ComPort::setBreak() {
  requireOpen();
  return ::ioctl(fd_, TIOCSBRK) == 0;
}

bool ComPort::clearBreak() {
  requireOpen();
  return ::ioctl(fd_, TIOCCBRK) == 0;
}

bool ComPort::escape(int code) {
  requireOpen();
  switch (code) {
    case SETRTS:
      return changeModemLine(TIOCMBIS, TIOCM_RTS);
    case CLRRTS:
      return changeModemLine(TIOCMBIC, TIOCM_RTS);
    case SETDTR:
      return changeModemLine(TIOCMBIS, TIOCM_DTR);
    case CLRDTR:
      return changeModemLine(TIOCMBIC, TIOCM_DTR);
    default:
      errno = EINVAL;
      return false;
  }
}

bool ComPort::changeModemLine(unsigned long request, int line) {
  if (::ioctl(fd_, request, &line) == 0) return true;
  return errno == ENOTTY;  // no modem lines on this port
}

// Port list.

ComPort::ComList::ComList(std::vector<std::string> names) : names_(std::move(names)) {
  for (const std::string& name : names_) {
    pointers_.push_back(name.c_str());
    text_ += name;
    text_ += '\n';
  }
  pointers_.push_back(nullptr);
}

namespace {
std::mutex listMutex;
std::shared_ptr<const ComPort::ComList> processList;
}  // namespace

std::shared_ptr<const ComPort::ComList> ComPort::ComList::instance() {
  std::lock_guard<std::mutex> lock(listMutex);
  if (!processList) {
    processList = std::make_shared<const ComList>(buildPortList({}, extraPortPaths()));
  }
  return processList;
}

void ComPort::ComList::install(std::vector<std::string> names) {
  auto list = std::make_shared<const ComList>(std::move(names));
  std::lock_guard<std::mutex> lock(listMutex);
  processList = std::move(list);
}

const std::string& ComPort::ComList::name(int index) const {
  if (index < 1 || index > count()) fail(msgPortNotOpen);
  return names_[static_cast<std::size_t>(index) - 1];
}

}  // namespace comprt
