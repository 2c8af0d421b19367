#include "tests/FakePort.h"

#include <algorithm>

namespace brevant::test {

std::vector<Piece> EchoingDevice(std::string_view line)
{
    if (line.starts_with("SAsr"))
        return {{1ms, "SAK225\r\n"}};
    if (line.starts_with("SVsr"))
        return {{1ms, "SV105\r\n"}};
    if (line.ends_with("r\r\n"))
        return {{1ms, std::string(line.substr(0, line.size() - 3)) + "0\r\n"}};
    return {{1ms, std::string(line)}};
}

void FakePort::Answer(int port, std::vector<Piece> pieces)
{
    answers_[port].push_back(std::move(pieces));
}

void FakePort::SetResponder(int port, std::function<std::vector<Piece>(std::string_view)> responder)
{
    responders_[port] = std::move(responder);
}

void FakePort::Inject(int port, std::string bytes)
{
    pending_[port].push_back({now_, std::move(bytes)});
}

void FakePort::ClearRecord()
{
    written_.clear();
    writes_.clear();
    calls_.clear();
}

void FakePort::Schedule(int port, const std::vector<Piece>& pieces)
{
    auto& queue = pending_[port];
    for (const Piece& piece : pieces)
        queue.push_back({now_ + piece.after, piece.bytes});
    std::stable_sort(queue.begin(), queue.end(),
                     [](const Arrival& a, const Arrival& b) { return a.at < b.at; });
}

int FakePort::Open(int port)
{
    calls_.push_back("open " + std::to_string(port));
    const auto it = openResults_.find(port);
    const int result = it == openResults_.end() ? 0 : it->second;
    if (result == 0)
        open_[port] = true;
    lastOpenFailed_[port] = result != 0;
    return result;
}

OpenFailure FakePort::LastOpenFailure(int port) const
{
    if (lastOpenFailed_.count(port) == 0 || !lastOpenFailed_.at(port))
        return OpenFailure::None;
    const auto it = openFailures_.find(port);
    return it == openFailures_.end() ? OpenFailure::Other : it->second.first;
}

std::string FakePort::LastError(int port) const
{
    const auto it = openFailures_.find(port);
    return LastOpenFailure(port) == OpenFailure::None || it == openFailures_.end() ? std::string()
                                                                                   : it->second.second;
}

int FakePort::Configure(int port, int speedCode, int modeCode)
{
    calls_.push_back("configure " + std::to_string(port) + " " + std::to_string(speedCode) + " " +
                     std::to_string(modeCode));
    const auto it = configureResults_.find(port);
    return it == configureResults_.end() ? 0 : it->second;
}

IoResult FakePort::Write(int port, std::string_view bytes)
{
    calls_.push_back("write " + std::to_string(port));
    if (gone_.count(port) > 0)
        return {IoStatus::Gone, 0, 5};
    written_ += bytes;
    writes_.emplace_back(bytes);
    auto& answers = answers_[port];
    if (!answers.empty()) {
        Schedule(port, answers.front());
        answers.pop_front();
    } else if (auto it = responders_.find(port); it != responders_.end()) {
        Schedule(port, it->second(bytes));
    }
    return IoResult::Moved(static_cast<int>(bytes.size()));
}

IoResult FakePort::Read(int port, char* buffer, int capacity)
{
    if (gone_.count(port) > 0)
        return {IoStatus::Gone, 0, 5};
    if (!IsOpen(port))
        return {IoStatus::Failed, 0, 9};
    auto& queue = pending_[port];
    int copied = 0;
    while (!queue.empty() && queue.front().at <= now_ && copied < capacity) {
        std::string& bytes = queue.front().bytes;
        const int take = std::min<int>(capacity - copied, static_cast<int>(bytes.size()));
        std::copy_n(bytes.data(), take, buffer + copied);
        copied += take;
        bytes.erase(0, static_cast<std::size_t>(take));
        if (bytes.empty())
            queue.pop_front();
    }
    return copied > 0 ? IoResult::Moved(copied) : IoResult::Nothing();
}

void FakePort::Close(int port)
{
    calls_.push_back("close " + std::to_string(port));
    open_[port] = false;
}

LineControlResult FakePort::SetDtr(int port, bool)
{
    calls_.push_back("dtr " + std::to_string(port));
    return lineControl_;
}

LineControlResult FakePort::SetRts(int port, bool)
{
    calls_.push_back("rts " + std::to_string(port));
    return lineControl_;
}

void FakePort::Wait(int port, Micros limit, bool untilReadable)
{
    ++waits_;
    Micros late{0};
    if (wakeLate_ && now_ >= wakeLate_->first) {
        late = wakeLate_->second;
        wakeLate_.reset();
    }
    const auto& queue = pending_[port];
    if (untilReadable && !queue.empty() && queue.front().at <= now_ + limit)
        now_ = std::max(now_, queue.front().at) + late;
    else
        now_ += limit + late;
}

}  // namespace brevant::test
