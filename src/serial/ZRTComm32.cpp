#include "serial/ZRTComm32.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include "platform/ErrorReport.h"
#include "platform/MachineStore.h"
#include "serial/DebugLog.h"
#include "serial/IcountLineErrorCounter.h"
#include "serial/IoctlModemLines.h"
#include "serial/ReadThread.h"
#include "serial/WriteThread.h"

namespace serial {

namespace {

std::string MachinePortDevice(TCommPort port) {
    static const platform::MachineStore store = platform::MachineStore::load();
    return store.port_device(static_cast<int>(port) + 1);
}

// An opening error: `what` on the first line as the component has always said it, then the
// port, its device and why the system refused it.
ECommsError OpenError(const char* what, TCommPort port, const std::string& path, int error) {
    return ECommsError(std::string(what) + "\nCOM" + std::to_string(static_cast<int>(port) + 1) +
                       " (" + path + "): " + *ErrnoReason(error, ReasonFor::User));
}

}  // namespace

TZRTComm32::TZRTComm32(QObject* Owner)
    : QObject(Owner),
      DeviceResolver(MachinePortDevice),
      ModemControl(std::make_shared<IoctlModemLines>()),
      LineErrors(std::make_shared<IcountLineErrorCounter>()),
      notifier_(std::make_unique<QSocketNotifier>(notify_.WakeFd(), QSocketNotifier::Read)) {
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { DeliverNotifications(); });
}

TZRTComm32::~TZRTComm32() {
    CloseComm();
    notifier_.reset();
    notify_.Close();
}

bool TZRTComm32::OpenComm() {
    if (device_) {
        throw ECommsError("Already have a comm file open");
    }
    const std::string path = DeviceResolver ? DeviceResolver(CommPort) : std::string();
    platform::UniqueFd device(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device) {
        throw OpenError("Error opening com port", CommPort, path, errno);
    }
    if (!::isatty(device.get())) {
        throw OpenError("File handle is not a comm handle. ", CommPort, path, errno);
    }
    // Exclusive use: the lock keeps out every program that locks too, TIOCEXCL every other
    // opener without privileges.
    if (::flock(device.get(), LOCK_EX | LOCK_NB) != 0) {
        throw OpenError("Error opening com port", CommPort, path, errno);
    }
    ::ioctl(device.get(), TIOCEXCL);

    saved_line_.Save(device.get());
    LineSettings::Apply(device.get(), BaudRate, Parity, DataBits, StopBits);
    device_ = std::move(device);
    RaiseModemLines();

    if (!close_event_.Create()) {
        LogLastError(errno, "Unable to CreateEvent: ");
        ReleaseDevice();
        return false;
    }

    // A thread that cannot be created leaves the port open without it; CloseComm releases it.
    try {
        read_thread_ =
            std::make_unique<TReadThread>(device_.get(), close_event_.Fd(), notify_, LineErrors);
        read_thread_->Resume();
    } catch (const std::exception&) {
        read_thread_.reset();
        LogLastError(errno, "Unable to create Read thread");
        throw ECommsError("Unable to create Read thread");
    }
    try {
        write_thread_ = std::make_unique<TWriteThread>(device_.get(), close_event_.Fd(), notify_);
        write_thread_->Resume();
    } catch (const std::exception&) {
        write_thread_.reset();
        LogLastError(errno, "Unable to create Write thread");
        throw ECommsError("Unable to create Write thread");
    }
    return true;
}

bool TZRTComm32::WriteCommData(const void* Buffer, std::uint16_t Length) {
    if (!write_thread_) {
        DebugLog("Write thread not created");
        return false;
    }
    BlockPtr block = CopyBlock(Buffer, Length);
    if (!block) {
        LogLastError(ENOMEM, "LocalAlloc: ");
        return false;
    }
    if (!write_thread_->Queue().Post(CommMessage{REQUEST_WRITE, Length, std::move(block)})) {
        DebugLog("Failed to Post to Write thread. ");
        return false;
    }
    return true;
}

void TZRTComm32::CloseComm() {
    if (!device_) {
        return;
    }
    DebugLog("Stopping the Comm");
    StopReader();
    StopWriter();
    close_event_.Reset();
    ReleaseDevice();
}

void TZRTComm32::SetNotifyCapacity(std::size_t Capacity) {
    notify_.SetCapacity(Capacity);
}

bool TZRTComm32::LinkFailed() const {
    return device_ &&
           ((read_thread_ && read_thread_->Failed()) || (write_thread_ && write_thread_->Failed()));
}

void TZRTComm32::StopReader() {
    if (!read_thread_) {
        return;
    }
    DebugLog("Closing Read Thread ");
    close_event_.Set();
    ::tcflush(device_.get(), TCIFLUSH);
    if (!read_thread_->WaitFor(ThreadStopLimit)) {
        DebugLog("Read thread not exiting.  Terminating it.");
        read_thread_->Terminate();
    }
    read_thread_.reset();  // joins the thread, however long it still takes
}

void TZRTComm32::StopWriter() {
    if (!write_thread_) {
        return;
    }
    DebugLog("Closing Write Thread");
    close_event_.Set();
    ::tcflush(device_.get(), TCOFLUSH);
    if (!write_thread_->WaitFor(ThreadStopLimit)) {
        DebugLog("Write thread not exiting.  Terminating it.");
        write_thread_->Terminate();
    }
    write_thread_.reset();
}

// Tells the modem that the terminal is ready and may be sent to. A device without modem lines
// has nothing to raise.
void TZRTComm32::RaiseModemLines() {
    int lines = 0;
    if (!ModemControl || !ModemControl->Get(device_.get(), lines)) {
        DebugLog("No modem lines on the comm port");
        return;
    }
    open_lines_ = ModemControl;
    if (!open_lines_->Raise(device_.get(), TIOCM_DTR | TIOCM_RTS)) {
        LogLastError(errno, "Unable to raise DTR and RTS: ");
    }
}

// Puts the line back as it was found, short of HUPCL, and lets the device go, hanging up: DTR
// drops here and again at the last close. The exclusive mode stays with the terminal after close
// (another handle may keep it open), so it is cleared first.
void TZRTComm32::ReleaseDevice() {
    saved_line_.Restore(device_.get());
    if (const auto lines = std::exchange(open_lines_, nullptr)) {
        lines->Drop(device_.get(), TIOCM_DTR);
    }
    ::ioctl(device_.get(), TIOCNXCL);
    device_.reset();
}

void TZRTComm32::CommWndProc(CommMessage& Message) {
    switch (Message.Msg) {
        case NOTIFY_RXDATA: {
            BlockPtr block = std::move(Message.Block);
            DoReceiveData(block.get(), static_cast<std::uint16_t>(Message.Count & 0xFFFF));
            break;
        }
        case NOTIFY_HANGUP:
            DoRequestHangup();
            break;
        default:
            break;
    }
}

void TZRTComm32::DoReceiveData(const void* Buffer, std::uint16_t BufferLength) {
    if (OnReceiveData) {
        OnReceiveData(Buffer, BufferLength);
    }
}

void TZRTComm32::DoRequestHangup() {
    if (OnRequestHangup) {
        OnRequestHangup(this);
    }
}

// Hands the queued records to CommWndProc one at a time. A handler that runs a nested event loop
// re-enters here and carries on with the next record, so the order holds. An exception from a
// handler is reported like any other handler's and never unwinds into Qt.
void TZRTComm32::DeliverNotifications() {
    CommMessage message;
    while (notify_.Take(message)) {
        platform::guarded([&] { CommWndProc(message); });
        message.Block.reset();
    }
}

}  // namespace serial

// The meta-object code of the classes declared in ZRTComm32.h, compiled with this file.
#include "moc_ZRTComm32.cpp"
