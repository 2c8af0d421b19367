// A serial port that counts the bytes that cross it, so a benchmark can set
// its time against what the line itself needs (10 bits a byte at 19200 bit/s).
#pragma once

#include "core/SerialPort.h"

#include <atomic>

namespace brevant::bench {

inline constexpr double kLineBytesPerSecond = 19200.0 / 10.0;

class CountingPort final : public SerialPort {
public:
    explicit CountingPort(SerialPort& inner) : inner_(inner) {}

    long Bytes() const { return written_ + read_; }
    double LineSeconds() const { return Bytes() / kLineBytesPerSecond; }
    // Write calls: one a command line.
    long Writes() const { return writes_; }
    void Reset() { written_ = read_ = writes_ = 0; }

    int Open(int port) override { return inner_.Open(port); }
    int Configure(int port, int speed, int mode) override { return inner_.Configure(port, speed, mode); }
    IoResult Write(int port, std::string_view bytes) override
    {
        written_ += static_cast<long>(bytes.size());
        ++writes_;
        return inner_.Write(port, bytes);
    }
    IoResult Read(int port, char* buffer, int capacity) override
    {
        const IoResult r = inner_.Read(port, buffer, capacity);
        if (r.Ok())
            read_ += r.count;
        return r;
    }
    bool Exists(int port) const override { return inner_.Exists(port); }
    std::string LastError(int port) const override { return inner_.LastError(port); }
    OpenFailure LastOpenFailure(int port) const override { return inner_.LastOpenFailure(port); }
    void Close(int port) override { inner_.Close(port); }
    LineControlResult SetDtr(int port, bool on) override { return inner_.SetDtr(port, on); }
    LineControlResult SetRts(int port, bool on) override { return inner_.SetRts(port, on); }
    void Wait(int port, Micros limit, bool untilReadable) override
    {
        inner_.Wait(port, limit, untilReadable);
    }
    SteadyClock::time_point Clock() const override { return inner_.Clock(); }

private:
    SerialPort& inner_;
    std::atomic<long> written_{0};
    std::atomic<long> read_{0};
    std::atomic<long> writes_{0};
};

}  // namespace brevant::bench
