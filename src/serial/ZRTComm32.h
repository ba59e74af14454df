#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/CommTypes.h"
#include "serial/ECommsError.h"
#include "serial/LineErrorCounter.h"
#include "serial/ModemLines.h"

namespace serial {

struct CommMessage;

// TZRTComm32: a two-way byte link over one serial port, COM1..COM4. The owner sets the five line
// properties, calls OpenComm, sends with WriteCommData, receives through OnReceiveData and ends
// the link with CloseComm. The main thread never waits for the line: OpenComm sets the device up
// and starts a reader and a writer thread, WriteCommData queues a copy of the bytes, and only
// CloseComm waits, for the threads to end.
//
// Threads and ownership:
// - Main thread: every public member, both events, CommWndProc; the component object itself,
//   its properties, the device descriptor's lifetime (opened by OpenComm, closed by CloseComm
//   only after both threads have ended), the close event's lifetime, and the notify queue with
//   the QSocketNotifier that drains it.
// - Reader (TReadThread) and writer (TWriteThread): each gets, before it starts, the device
//   descriptor, the close event and the notify queue, and uses nothing else of the component.
//   Both read and write the device; both wait on the close event, which only the main thread
//   sets; both post to the notify queue. The writer owns its own request queue.
// - Data passes only as posted records (CommMessage) whose block belongs to whoever holds the
//   record: the poster until the post succeeds, then the queue, then the receiver, which frees
//   it. A failed post leaves the block with the poster, which frees it. Blocks still queued when
//   a queue closes (the writer ending, the component going) are freed with it.
// - Posting never blocks. Notify records reach CommWndProc on the main thread in the order
//   posted. CloseComm drops the data records of its opening that are still queued, so no data of
//   an opening arrives once CloseComm has returned; hang-up requests are kept and may arrive
//   after CloseComm has returned or after a later OpenComm. The notify queue holds
//   a bounded number of records: a chunk of data that it refuses (a flood while the main thread
//   does not run its event loop) ends the reader as if the device had failed. A failing thread's
//   hang-up request always gets through, in the place the queue keeps for it, after the records
//   queued before it, so the owner learns of the failure and LinkFailed() is true by then.
// - The modem lines are the main thread's: OpenComm raises DTR and RTS, CloseComm drops DTR
//   after both threads have ended, before the descriptor closes.
//
// The line is hung up at every close: while the component holds the port the terminal's
// hang-up on close (HUPCL) is set, and CloseComm puts the other settings back as it found them
// but keeps HUPCL and drops DTR itself, so the modem lets the call go even when the device had
// HUPCL cleared.
class TZRTComm32 : public QObject {
    Q_OBJECT

  public:
    // Buffer holds BufferLength bytes followed by a zero byte; it is valid during the call only.
    using TReceiveDataEvent = std::function<void(const void* Buffer, std::uint16_t BufferLength)>;
    using TNotifyEvent = std::function<void(TZRTComm32* Sender)>;
    // The device path for a port name.
    using DevicePathResolver = std::function<std::string(TCommPort)>;

    // Creates the notify queue; throws std::system_error when its eventfd cannot be had.
    explicit TZRTComm32(QObject* Owner = nullptr);
    // Closes the port if it is open (stopping both threads), then frees undelivered records.
    ~TZRTComm32() override;

    // Line properties: read at OpenComm only. A change while open takes effect at the next open.
    TCommPort CommPort = TCommPort::Com1;
    TBaudRate BaudRate = TBaudRate::____110;
    TParity Parity = TParity::None;
    TDataBits DataBits = TDataBits::_4;
    TStopBits StopBits = TStopBits::_1;

    TReceiveDataEvent OnReceiveData;
    TNotifyEvent OnRequestHangup;

    // Maps CommPort to a device path at OpenComm. By default the per-machine store's [ports]
    // section, read once per process; tests put pseudo-terminals here.
    DevicePathResolver DeviceResolver;
    // Where the user finds and maps the devices: when OpenComm cannot open a port because its
    // device is missing or may not be opened, the error's second line ends in " — " and this
    // text. Empty: nothing is added.
    std::string DeviceHelp;
    // How OpenComm raises and CloseComm drops the modem lines; by default the driver's. A device
    // without modem lines (a pseudo-terminal) is left alone. Read at OpenComm.
    std::shared_ptr<ModemLines> ModemControl;
    // Where the reader learns of line errors; by default the driver's counters.
    std::shared_ptr<LineErrorCounter> LineErrors;
    // How long CloseComm waits for each thread to end before it logs that it has not.
    std::chrono::milliseconds ThreadStopLimit{10000};

    // Opens and configures the port and starts both threads. True: open. False: the close event
    // could not be created; the port is closed. Other failures raise ECommsError.
    bool OpenComm();
    // Queues a copy of Length bytes to the writer. True means queued, not yet sent. False when
    // there is no writer or it has ended.
    bool WriteCommData(const void* Buffer, std::uint16_t Length);
    // Stops the reader, then the writer, then closes the device. Nothing when already closed.
    // A thread that has not ended within ThreadStopLimit is logged and then still waited for: a
    // thread cannot be killed safely, and it uses the device and the close event until it ends.
    void CloseComm();
    // True while the port is open but one of its threads has failed (the device went away or
    // broke): the link carries nothing more until it is closed and opened again. A hang-up
    // notification left over from an earlier opening finds this false.
    bool LinkFailed() const;

    // The most notify records that wait for the main thread at once (PostQueue::kCapacity unless
    // set). Tests set a small one to fill the queue cheaply; set it while nothing is queued.
    void SetNotifyCapacity(std::size_t Capacity);

    // Handles one notify record: NOTIFY_RXDATA raises OnReceiveData and frees the block,
    // NOTIFY_HANGUP raises OnRequestHangup, anything else is ignored.
    void CommWndProc(CommMessage& Message);

  protected:
    void DoReceiveData(const void* Buffer, std::uint16_t BufferLength);
    void DoRequestHangup();

  private:
    void StopReader();
    void StopWriter();
    void RaiseModemLines();
    void ReleaseDevice();
    void DeliverNotifications();

    // The device and what serves it: both threads, the saved line settings, the close event and
    // the notify queue with its notifier.
    struct Private;
    std::unique_ptr<Private> d_;
};

}  // namespace serial
