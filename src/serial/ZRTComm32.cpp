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
#include "platform/UniqueFd.h"
#include "serial/internal/CloseEvent.h"
#include "serial/internal/CommMessage.h"
#include "serial/internal/DebugLog.h"
#include "serial/internal/IcountLineErrorCounter.h"
#include "serial/internal/IoctlModemLines.h"
#include "serial/internal/LineSettings.h"
#include "serial/internal/PostQueue.h"
#include "serial/internal/ReadThread.h"
#include "serial/internal/WriteThread.h"

namespace serial {

namespace {

std::string MachinePortDevice(TCommPort port) {
    return platform::MachineStore::at_start().port_device(static_cast<int>(port) + 1);
}

// Whether an opening failed for a device that is not there (no node, or a node without hardware
// behind it) or that the user may not open, which the user's port mapping and groups decide.
bool DeviceMissingOrDenied(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case EIO:
        case EACCES:
        case EPERM:
            return true;
        default:
            return false;
    }
}

// An opening error: `what` on the first line as the component has always said it, then the
// port, its device and why the system refused it, and where to look when the device is at fault.
ECommsError OpenError(const char* what, TCommPort port, const std::string& path, int error,
                      const std::string& help) {
    std::string message = std::string(what) + "\nCOM" + std::to_string(static_cast<int>(port) + 1) +
                          " (" + path + "): " + *ErrnoReason(error, ReasonFor::User);
    if (!help.empty() && DeviceMissingOrDenied(error)) {
        message += " — " + help;
    }
    return ECommsError(message, error);
}

}  // namespace

struct TZRTComm32::Private {
    std::unique_ptr<TReadThread> read_thread;
    std::unique_ptr<TWriteThread> write_thread;
    platform::UniqueFd device;
    LineSettings saved_line;
    std::shared_ptr<ModemLines> open_lines;  // the ModemControl of this opening, if it has lines
    CloseEvent close_event;
    PostQueue notify;
    std::unique_ptr<QSocketNotifier> notifier =  // after notify: goes before its descriptor
        std::make_unique<QSocketNotifier>(notify.WakeFd(), QSocketNotifier::Read);
};

TZRTComm32::TZRTComm32(QObject* Owner)
    : QObject(Owner),
      DeviceResolver(MachinePortDevice),
      ModemControl(std::make_shared<IoctlModemLines>()),
      LineErrors(std::make_shared<IcountLineErrorCounter>()),
      d_(std::make_unique<Private>()) {
    connect(d_->notifier.get(), &QSocketNotifier::activated, this,
            [this] { DeliverNotifications(); });
}

TZRTComm32::~TZRTComm32() {
    CloseComm();
    d_->notifier.reset();
    d_->notify.Close();
}

bool TZRTComm32::OpenComm() {
    if (d_->device) {
        throw ECommsError("Already have a comm file open");
    }
    const std::string path = DeviceResolver ? DeviceResolver(CommPort) : std::string();
    platform::UniqueFd device(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device) {
        throw OpenError("Error opening com port", CommPort, path, errno, DeviceHelp);
    }
    if (!::isatty(device.get())) {
        throw OpenError("File handle is not a comm handle. ", CommPort, path, errno, DeviceHelp);
    }
    // Exclusive use: the lock keeps out every program that locks too, TIOCEXCL every other
    // opener without privileges.
    if (::flock(device.get(), LOCK_EX | LOCK_NB) != 0) {
        throw OpenError("Error opening com port", CommPort, path, errno, DeviceHelp);
    }
    ::ioctl(device.get(), TIOCEXCL);

    d_->saved_line.Save(device.get());
    LineSettings::Apply(device.get(), BaudRate, Parity, DataBits, StopBits);
    d_->device = std::move(device);
    RaiseModemLines();

    if (!d_->close_event.Create()) {
        LogLastError(errno, "Unable to CreateEvent: ");
        ReleaseDevice();
        return false;
    }

    // A thread that cannot be created leaves the port open without it; CloseComm releases it.
    try {
        d_->read_thread = std::make_unique<TReadThread>(d_->device.get(), d_->close_event.Fd(),
                                                        d_->notify, LineErrors);
        d_->read_thread->Resume();
    } catch (const std::exception&) {
        d_->read_thread.reset();
        LogLastError(errno, "Unable to create Read thread");
        throw ECommsError("Unable to create Read thread");
    }
    try {
        d_->write_thread =
            std::make_unique<TWriteThread>(d_->device.get(), d_->close_event.Fd(), d_->notify);
        d_->write_thread->Resume();
    } catch (const std::exception&) {
        d_->write_thread.reset();
        LogLastError(errno, "Unable to create Write thread");
        throw ECommsError("Unable to create Write thread");
    }
    return true;
}

bool TZRTComm32::WriteCommData(const void* Buffer, std::uint16_t Length) {
    if (!d_->write_thread) {
        DebugLog("Write thread not created");
        return false;
    }
    BlockPtr block = CopyBlock(Buffer, Length);
    if (!block) {
        LogLastError(ENOMEM, "LocalAlloc: ");
        return false;
    }
    if (!d_->write_thread->Queue().Post(CommMessage{REQUEST_WRITE, Length, std::move(block)})) {
        DebugLog("Failed to Post to Write thread. ");
        return false;
    }
    return true;
}

void TZRTComm32::CloseComm() {
    if (!d_->device) {
        return;
    }
    DebugLog("Stopping the Comm");
    StopReader();
    StopWriter();
    // The reader has ended: whatever it read and the owner has not yet taken goes, so that no data
    // of this opening arrives once CloseComm has returned. Hang-up requests stay.
    d_->notify.Discard(NOTIFY_RXDATA);
    d_->close_event.Reset();
    ReleaseDevice();
}

void TZRTComm32::SetNotifyCapacity(std::size_t Capacity) {
    d_->notify.SetCapacity(Capacity);
}

bool TZRTComm32::LinkFailed() const {
    return d_->device && ((d_->read_thread && d_->read_thread->Failed()) ||
                          (d_->write_thread && d_->write_thread->Failed()));
}

void TZRTComm32::StopReader() {
    if (!d_->read_thread) {
        return;
    }
    DebugLog("Closing Read Thread ");
    d_->close_event.Set();
    ::tcflush(d_->device.get(), TCIFLUSH);
    if (!d_->read_thread->WaitFor(ThreadStopLimit)) {
        DebugLog("Read thread not exiting.  Terminating it.");
    }
    d_->read_thread.reset();  // joins the thread, however long it still takes
}

void TZRTComm32::StopWriter() {
    if (!d_->write_thread) {
        return;
    }
    DebugLog("Closing Write Thread");
    d_->close_event.Set();
    ::tcflush(d_->device.get(), TCOFLUSH);
    if (!d_->write_thread->WaitFor(ThreadStopLimit)) {
        DebugLog("Write thread not exiting.  Terminating it.");
    }
    d_->write_thread.reset();
}

// Tells the modem that the terminal is ready and may be sent to. A device without modem lines
// has nothing to raise.
void TZRTComm32::RaiseModemLines() {
    int lines = 0;
    if (!ModemControl || !ModemControl->Get(d_->device.get(), lines)) {
        DebugLog("No modem lines on the comm port");
        return;
    }
    d_->open_lines = ModemControl;
    if (!d_->open_lines->Raise(d_->device.get(), TIOCM_DTR | TIOCM_RTS)) {
        LogLastError(errno, "Unable to raise DTR and RTS: ");
    }
}

// Puts the line back as it was found, short of HUPCL, and lets the device go, hanging up: DTR
// drops here and again at the last close. The exclusive mode stays with the terminal after close
// (another handle may keep it open), so it is cleared first.
void TZRTComm32::ReleaseDevice() {
    d_->saved_line.Restore(d_->device.get());
    if (const auto lines = std::exchange(d_->open_lines, nullptr)) {
        lines->Drop(d_->device.get(), TIOCM_DTR);
    }
    ::ioctl(d_->device.get(), TIOCNXCL);
    d_->device.reset();
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
    while (d_->notify.Take(message)) {
        platform::guarded([&] { CommWndProc(message); });
        message.Block.reset();
    }
}

}  // namespace serial

// The meta-object code of the classes declared in ZRTComm32.h, compiled with this file.
#include "moc_ZRTComm32.cpp"
