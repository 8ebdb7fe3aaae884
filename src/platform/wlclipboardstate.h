#pragma once

// The inside of WaylandClipboard, shared by its two halves: the interface
// thread's (wlclipboard.cpp), which hands requests over and reads other
// programs' text, and the worker's (wlclipboardworker.cpp), which alone
// talks to the compositor once the connection is made.

#include "datacontrol.h"
#include "wlclipboard.h"

#include <wayland-client.h>

#include <QByteArray>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>

namespace bilan::wlclip {

using SteadyClock = std::chrono::steady_clock;

// The text types, best first: the toolkits' own name for UTF-8 text, then
// the ones programs bridged from X offer. This program's text is offered
// in all of them.
inline constexpr const char *kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "TEXT",
                                             "STRING"};

inline int remainingMs(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return int(std::clamp<long long>(left, 0, 60'000));
}

// What the clipboard holds, as offered to this program.
struct Offer
{
    wl_proxy *proxy = nullptr;
    std::vector<std::string> types;
};

// A text this program put on the clipboard, served until it is replaced.
struct Source
{
    wl_proxy *proxy = nullptr;
    std::shared_ptr<const QByteArray> text;
};

// This program's text on its way to a program that asked for it.
struct Write
{
    int fd = -1;
    std::shared_ptr<const QByteArray> text;
    qsizetype written = 0;
    SteadyClock::time_point lastProgress;
};

// One request of the interface thread, answered by the worker. The
// fields below the line are the answer, written under the state's mutex.
struct Request
{
    enum class Kind { Read, Put, Clear } kind = Kind::Read;
    QByteArray text;                           // Put
    std::optional<quint64> unlessChangedSince; // Clear

    bool done = false;
    bool ok = false;
    bool silent = false; // Read: refused, as its owner missed a deadline a moment ago
    quint64 serial = 0;  // Read: which clipboard content was asked
    int fd = -1;         // Read: where its text arrives; -1 when it holds none

    // The worker's own.
    wl_callback *sync = nullptr;
    wl_proxy *source = nullptr; // Put: the source it made
    void *state = nullptr;      // the WaylandClipboard::State that answers it

    Request() = default;
    Request(const Request &) = delete;
    Request &operator=(const Request &) = delete;
    ~Request();
};

} // namespace bilan::wlclip

namespace bilan {

struct WaylandClipboard::State
{
    using SteadyClock = wlclip::SteadyClock;

    Limits limits;
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_proxy *seat = nullptr;
    wl_proxy *manager = nullptr;
    wl_proxy *device = nullptr;
    const datacontrol::Protocol *protocol = nullptr;
    uint32_t seatName = 0;
    uint32_t extName = 0;
    uint32_t wlrName = 0;
    int wake = -1; // an eventfd that calls the worker to its requests
    std::thread worker;

    // The worker's alone once it runs.
    std::vector<std::unique_ptr<wlclip::Offer>> offers;
    wlclip::Offer *selection = nullptr;
    std::vector<std::unique_ptr<wlclip::Source>> sources;
    wlclip::Source *ownSelection = nullptr;
    std::vector<wlclip::Write> writes;
    std::vector<std::shared_ptr<wlclip::Request>> awaitingCompositor;

    // Shared between the threads, under the mutex. Each new clipboard
    // content gets the next serial.
    std::mutex mutex;
    std::condition_variable answered;
    std::deque<std::shared_ptr<wlclip::Request>> requests;
    bool stopping = false;
    bool broken = false;
    quint64 selectionSerial = 0;
    quint64 silentSerial = 0;
    SteadyClock::time_point silentSince;
    quint64 tooLargeSerial = 0;

    // The interface thread's alone.
    std::optional<quint64> lastRead;
    std::function<std::optional<QString>()> ownCopy;

    ~State();

    // The worker's half (wlclipboardworker.cpp).
    bool roundtrip(); // before the worker runs: the compositor has handled all sent so far
    void run();
    void handle(const std::shared_ptr<wlclip::Request> &request);
    void answerRead(wlclip::Request &request);
    void serveWrites(const std::vector<pollfd> &polled);
    void finish(wlclip::Request &request, bool ok);
    void failEverything();
    wlclip::Source *sourceOf(wl_proxy *proxy);

    // The interface thread's half (wlclipboard.cpp).
    // Hands the request over and waits for its answer; nothing when the
    // worker cannot take it, refused it, or gave no answer in time.
    std::shared_ptr<wlclip::Request> ask(std::shared_ptr<wlclip::Request> request,
                                         SteadyClock::time_point deadline);
    std::optional<QString> readFrom(wlclip::Request &request, SteadyClock::time_point started);
    void markSilent(quint64 serial);
    int takeFd(wlclip::Request &request);

    static const wl_registry_listener registryListener;
    static const datacontrol::DeviceListener deviceListener;
    static const datacontrol::OfferListener offerListener;
    static const datacontrol::SourceListener sourceListener;
    static const wl_callback_listener syncListener;
};

} // namespace bilan
