#pragma once
// TCommPort: one serial line (an RS-232 port, a USB adapter or a pseudo-terminal)
// on termios. Created closed; the settings are plain stored values that take
// effect at the next OpenPort, except HandShake, which an open port applies at
// once. Reads block until the requested bytes have come; closing the port from
// another thread, or the program's stop, ends a blocked read at once with the
// silent abort, so a protocol thread never stays blocked.
//
// One protocol thread reads and writes; opening and closing happen on another
// thread. The port lock covers opening, closing and the start of every read and
// write; the wait itself runs outside it.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>

namespace orv {

// An error of the serial layer, with its message ("Read Error.", "Write Error.").
class EComError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// The port could not be opened ("Could not open " + port name ...).
class EOpenComError : public EComError {
public:
    using EComError::EComError;
};
// The silent abort: the port was closed under a read, or the program is stopping.
// Protocol passes end quietly on it; nothing reports it to the operator.
class ESilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// Port ordinals: "Com1" ... "Com256" are 0 ... 255, "None" is 256. The
// initialisation file stores these numbers.
inline constexpr int tptNone = 256;
inline constexpr int MaxPortOrdinal = 255;

enum TBaudRate { tbr110, tbr300, tbr600, tbr1200, tbr2400, tbr4800, tbr9600, tbr14400, tbr19200,
                 tbr38400, tbr56000, tbr57600, tbr115200 };
enum TParity { tpNone, tpOdd, tpEven, tpMark, tpSpace };
enum TDataBits { tdbFour, tdbFive, tdbSix, tdbSeven, tdbEight };
enum TStopBits { tsbOne, tsbOnePointFive, tsbTwo };

// The handshake set: bit n is flag n.
enum THandShakeFlag { hfBinary, hfParity, hfOutCTSFlow, hfOutDSRFlow, hfDTREnabled, hfDTRHandShake,
                      hfDSRSense, hfXOffContinue, hfXOnOFfTrans, hfXOnOffReceive, hfParErrorChar,
                      hfDiscardNull, hfRTSEnabled, hfRTSHandShake };
using THandShakeFlags = uint16_t;
constexpr THandShakeFlags HandShakeBit(THandShakeFlag f) { return THandShakeFlags(1u << f); }
inline constexpr THandShakeFlags DefaultHandShake = HandShakeBit(hfBinary) | HandShakeBit(hfDTREnabled);

// Bits per second of a baud-rate ordinal; an ordinal outside the list gives 9600.
unsigned BaudRateValue(int ordinal);
// "Com" + (ordinal + 1) for 0 ... 255, "None" otherwise.
std::string PortOrdinalName(int ordinal);
// The ordinal a name stands for ("Com1" -> 0, "None" -> 256); -1 if it is neither.
int PortOrdinalOf(const std::string& name);
// The device Linux opens for an ordinal: /dev/ttyS<n>; empty for "None".
std::string PortOrdinalDevice(int ordinal);

class TCommPort {
public:
    // Called before an error is raised: clearing `raise` turns it into the silent abort.
    using ErrorHandler = std::function<void(TCommPort& sender, const std::string& message, bool& raise)>;

    TCommPort();
    ~TCommPort();
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    // Settings (see the enums above). Stored; used by the next OpenPort.
    int Port = tptNone;
    // A device path for this line (/dev/ttyUSB0, /dev/serial/by-id/..., a
    // pseudo-terminal); when set it wins over Port.
    std::string DevicePath;
    int BaudRate = tbr9600;
    int Parity = tpNone;
    int DataBits = tdbEight;
    int StopBits = tsbOne;
    // Time-outs in ms, kept for the initialisation file; reads wait for their bytes whatever they say.
    uint32_t ReadInterval = 0, ReadMultiplier = 0, ReadConstant = 0, WriteMultiplier = 0, WriteConstant = 0;
    // Kept for the initialisation file: the kernel sizes its own serial queues.
    uint32_t ReadBufferSize = 2048, WriteBufferSize = 2048;
    ErrorHandler OnError;

    THandShakeFlags HandShake() const { return handShake_; }
    // Applied at once when the port is open.
    void SetHandShake(THandShakeFlags flags);

    // Chooses the line by a name as an operator gives it: "Com1" ... "Com256"
    // and "None" select the ordinal, anything else is a device path.
    void SetDevice(const std::string& name);
    // The port's name in messages: the device path when one is set, else "Com<n>" or "None".
    std::string PortName() const;
    // The device that OpenPort opens; empty when there is none ("None" without a path).
    std::string DeviceToOpen() const;

    // Opens the device exclusively and applies the settings; a port without a
    // device does nothing. Raises EOpenComError "Could not open " + name
    // (followed by the reason when a setting cannot be given on this system).
    void OpenPort();
    // Ends any read or write in progress on another thread (they raise the
    // silent abort) and closes the device.
    void ClosePort();
    void SetPortActive(bool active);
    bool PortActive() const;
    // Whether the device can be opened exclusively now (false when Orv or
    // another program holds it).
    bool CanOpen() const;

    // Writes up to `count` bytes; gives up after 1000 ms and returns what went
    // out. 0 on a closed port. Raises "Write Error." when the line fails.
    size_t WriteBuffer(const void* bytes, size_t count);
    size_t WriteText(const std::string& text) { return WriteBuffer(text.data(), text.size()); }
    size_t WriteChar(uint8_t code) { return WriteBuffer(&code, 1); }

    // Blocks until `count` bytes have come. Raises the silent abort when the
    // port is closed (before or during the read) or the program stops, and
    // "Read Error." when the line fails or hangs up.
    size_t ReadBuffer(void* buffer, size_t count);
    std::string ReadText(size_t count);
    // One byte; 0 when nothing was read.
    uint8_t ReadByte();

    // Bytes waiting in the receive queue (0 while closed).
    size_t InputCount() const;
    // Waits up to `ms` real milliseconds for something a read acts on at once:
    // true when a byte waits, or when a read would end at once anyway (the port
    // closed or closing, the program stopping, the line hung up).
    bool WaitForInput(int ms);

    // The program's stop: reads and waits on this port check `flag` and raise
    // the silent abort once it is set and Wake() has been called.
    void setAbortFlag(const std::atomic<bool>* flag) { abortFlag_ = flag; }
    void Wake();

    uint64_t bytesWritten() const { return written_.load(); }
    // The line's speed as the kernel holds it, bits per second; 0 while closed.
    unsigned LineBaudRate() const;

private:
    class Use;   // one read or write in progress, counted so that closing waits for it

    [[noreturn]] void RaiseError(const std::string& message, bool openError);
    bool aborted() const;
    void drainWake();
    void applyHandShake(int fd);

    THandShakeFlags handShake_ = DefaultHandShake;
    int fd_ = -1;            // the open device; it also holds the device's advisory lock
    int wakeFd_ = -1;        // eventfd: closing and the program's stop wake a blocked wait
    std::atomic<bool> closing_{false};
    int users_ = 0;          // reads and writes between their start and their end
    mutable std::mutex lock_;
    std::condition_variable idle_;
    const std::atomic<bool>* abortFlag_ = nullptr;
    std::atomic<uint64_t> written_{0};
};

}  // namespace orv
