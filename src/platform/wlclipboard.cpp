// The Wayland clipboard over the data-control protocol (datacontrol.h).
// Written against libwayland-client directly: no Debian library offers a
// clipboard client of this protocol, and Qt's Wayland clipboard sees the
// clipboard only while a window of its own has the keyboard focus.
//
// One worker thread owns the connection: it dispatches the compositor's
// events, carries out the requests the interface thread hands it, and
// writes this program's text to every program that asks for it, without
// ever blocking on one. The interface thread waits for its answers, and
// reads another program's text from a pipe itself, each time with a
// deadline.
#include "wlclipboard.h"

#include "datacontrol.h"

#include <wayland-client.h>

#include <QByteArray>
#include <QStringDecoder>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace bilan {

namespace {

using SteadyClock = std::chrono::steady_clock;

// No clipboard text comes near this; more is not worth holding up the window for.
constexpr qsizetype kSizeLimit = 16 * 1024 * 1024;

// The text types, best first: the toolkits' own name for UTF-8 text, then
// the ones programs bridged from X offer.
constexpr const char *kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "TEXT", "STRING"};

// A program that asked for this program's text and reads none of it for
// this long has given up; its pipe is closed.
constexpr auto kStalledReader = std::chrono::seconds(30);

// Connecting happens once, at start; a compositor that does not answer in
// this time is not used.
constexpr auto kConnectDeadline = std::chrono::milliseconds(1000);

int remainingMs(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return int(std::clamp<long long>(left, 0, 60'000));
}

// Text from another program: UTF-8 whatever the type says, unless it is
// not valid UTF-8, as the Latin-1 of an old X program's STRING is not.
QString decodeText(const QByteArray &data)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    return utf8.hasError() ? QString::fromLatin1(data) : text;
}

struct Offer
{
    wl_proxy *proxy = nullptr;
    std::vector<std::string> types;
};

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

// One request of the interface thread, answered by the worker.
struct Request
{
    enum class Kind { Read, Put, Clear } kind = Kind::Read;
    QByteArray text;                          // Put
    std::optional<quint64> unlessChangedSince; // Clear

    bool done = false;
    bool ok = false;
    bool silent = false; // Read: refused, its owner missed a deadline a moment ago
    quint64 serial = 0;  // Read: which selection was asked
    int fd = -1;        // Read: where its text arrives; -1 when it holds none
    wl_callback *sync = nullptr;
    wl_proxy *source = nullptr; // Put: the source it made
    void *state = nullptr;      // whose worker answers it

    ~Request()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

struct WaylandClipboard::State
{
    Limits limits;
    wl_display *display = nullptr;
    wl_registry *registry = nullptr;
    wl_proxy *seat = nullptr;
    wl_proxy *manager = nullptr;
    wl_proxy *device = nullptr;
    const datacontrol::Protocol *protocol = nullptr;
    QString protocolName;
    uint32_t seatName = 0, extName = 0, wlrName = 0;
    int wake = -1;
    std::thread worker;

    // The worker's alone once it runs.
    std::vector<Offer *> offers;
    Offer *selection = nullptr;
    std::vector<Source *> sources;
    Source *ownSelection = nullptr;
    std::vector<Write> writes;
    std::vector<std::shared_ptr<Request>> awaitingCompositor;

    // Shared between the threads.
    std::mutex mutex;
    std::condition_variable answered;
    std::deque<std::shared_ptr<Request>> requests;
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

    // Before the worker runs: waits for the compositor to handle everything sent so far.
    bool roundtrip();
    void run();
    void handle(const std::shared_ptr<Request> &request);
    void answerRead(Request &request);
    void serveWrites(const std::vector<pollfd> &ready);
    void failEverything();
    void finish(Request &request, bool ok);

    // The interface thread hands a request over and waits for its answer;
    // nothing when the worker cannot take it or gave no answer in time.
    std::shared_ptr<Request> ask(std::shared_ptr<Request> request, SteadyClock::time_point deadline);
    std::optional<QString> readFrom(Request &request, SteadyClock::time_point started);
    void markSilent(quint64 serial);

    static const wl_registry_listener registryListener;
    static const datacontrol::DeviceListener deviceListener;
    static const datacontrol::OfferListener offerListener;
    static const datacontrol::SourceListener sourceListener;
    static const wl_callback_listener syncListener;
};


const wl_registry_listener WaylandClipboard::State::registryListener = {
    [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t) {
        State &s = *static_cast<State *>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && s.seatName == 0)
            s.seatName = name;
        else if (std::strcmp(interface, datacontrol::extProtocol().manager->name) == 0)
            s.extName = name;
        else if (std::strcmp(interface, datacontrol::wlrProtocol().manager->name) == 0)
            s.wlrName = name;
    },
    [](void *, wl_registry *, uint32_t) {},
};

const datacontrol::DeviceListener WaylandClipboard::State::deviceListener = {
    [](void *data, wl_proxy *, wl_proxy *offerProxy) {
        State &s = *static_cast<State *>(data);
        auto *offer = new Offer{offerProxy, {}};
        s.offers.push_back(offer);
        wl_proxy_add_listener(offerProxy, reinterpret_cast<void (**)(void)>(const_cast<datacontrol::OfferListener *>(&offerListener)), offer);
    },
    [](void *data, wl_proxy *, wl_proxy *offerProxy) {
        State &s = *static_cast<State *>(data);
        // Every offer but the new selection is of no more use.
        Offer *current = nullptr;
        for (Offer *offer : s.offers) {
            if (offerProxy && offer->proxy == offerProxy) {
                current = offer;
                continue;
            }
            datacontrol::destroyOffer(offer->proxy);
            delete offer;
        }
        s.offers.clear();
        if (current)
            s.offers.push_back(current);
        s.selection = current;
        const std::lock_guard lock(s.mutex);
        ++s.selectionSerial;
    },
    [](void *data, wl_proxy *) {
        // The seat is gone: no clipboard to speak of any more.
        State &s = *static_cast<State *>(data);
        s.failEverything();
    },
    [](void *, wl_proxy *, wl_proxy *) {
        // Never sent at the version bound; an offer that comes anyway goes
        // with the next selection.
    },
};

const datacontrol::OfferListener WaylandClipboard::State::offerListener = {
    [](void *data, wl_proxy *, const char *type) { static_cast<Offer *>(data)->types.emplace_back(type); },
};

const datacontrol::SourceListener WaylandClipboard::State::sourceListener = {
    [](void *data, wl_proxy *proxy, const char *, int32_t fd) {
        State &s = *static_cast<State *>(data);
        const auto found = std::find_if(s.sources.begin(), s.sources.end(),
                                        [proxy](const Source *source) { return source->proxy == proxy; });
        if (found == s.sources.end()) {
            ::close(fd);
            return;
        }
        // The same UTF-8 bytes for every type offered, as other Wayland
        // programs serve them; a reader of STRING gets them too.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        s.writes.push_back(Write{fd, (*found)->text, 0, SteadyClock::now()});
    },
    [](void *data, wl_proxy *proxy) {
        State &s = *static_cast<State *>(data);
        const auto found = std::find_if(s.sources.begin(), s.sources.end(),
                                        [proxy](const Source *source) { return source->proxy == proxy; });
        if (found == s.sources.end())
            return;
        if (s.ownSelection == *found)
            s.ownSelection = nullptr;
        datacontrol::destroySource(proxy);
        delete *found;
        s.sources.erase(found);
    },
};

const wl_callback_listener WaylandClipboard::State::syncListener = {
    [](void *data, wl_callback *, uint32_t) {
        auto *request = static_cast<Request *>(data);
        State &s = *static_cast<State *>(request->state);
        wl_callback_destroy(request->sync);
        request->sync = nullptr;
        switch (request->kind) {
        case Request::Kind::Read:
            s.answerRead(*request);
            break;
        case Request::Kind::Put:
            s.finish(*request, s.ownSelection && s.ownSelection->proxy == request->source);
            break;
        case Request::Kind::Clear:
            s.finish(*request, s.selection == nullptr);
            break;
        }
        std::erase_if(s.awaitingCompositor,
                      [request](const std::shared_ptr<Request> &held) { return held.get() == request; });
    },
};

WaylandClipboard::State::~State()
{
    if (worker.joinable()) {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof one);
        worker.join();
    }
    for (Write &write : writes)
        ::close(write.fd);
    if (display) {
        for (const auto &request : awaitingCompositor) {
            if (request->sync)
                wl_callback_destroy(request->sync);
        }
        for (Offer *offer : offers) {
            datacontrol::destroyOffer(offer->proxy);
            delete offer;
        }
        for (Source *source : sources) {
            datacontrol::destroySource(source->proxy);
            delete source;
        }
        if (device)
            datacontrol::destroyDevice(device);
        if (manager)
            datacontrol::destroyManager(manager);
        if (seat)
            wl_proxy_destroy(seat);
        if (registry)
            wl_registry_destroy(registry);
        wl_display_flush(display);
        wl_display_disconnect(display);
    }
    if (wake >= 0)
        ::close(wake);
}

bool WaylandClipboard::State::roundtrip()
{
    bool done = false;
    static const wl_callback_listener doneListener = {
        [](void *data, wl_callback *, uint32_t) { *static_cast<bool *>(data) = true; },
    };
    wl_callback *sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &doneListener, &done);
    const SteadyClock::time_point deadline = SteadyClock::now() + kConnectDeadline;
    while (!done && wl_display_get_error(display) == 0 && SteadyClock::now() < deadline) {
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        pollfd descriptor{wl_display_get_fd(display), POLLIN, 0};
        if (::poll(&descriptor, 1, remainingMs(deadline)) > 0)
            wl_display_read_events(display);
        else
            wl_display_cancel_read(display);
        wl_display_dispatch_pending(display);
    }
    wl_callback_destroy(sync);
    return done;
}

void WaylandClipboard::State::finish(Request &request, bool ok)
{
    {
        const std::lock_guard lock(mutex);
        request.ok = ok;
        request.done = true;
    }
    answered.notify_all();
}

void WaylandClipboard::State::failEverything()
{
    {
        const std::lock_guard lock(mutex);
        broken = true;
        for (const auto &request : awaitingCompositor)
            request->done = true;
        for (const auto &request : requests)
            request->done = true;
        requests.clear();
    }
    answered.notify_all();
}

void WaylandClipboard::State::answerRead(Request &request)
{
    quint64 serial = 0;
    bool refused = false;
    {
        const std::lock_guard lock(mutex);
        serial = selectionSerial;
        request.silent = serial == silentSerial && SteadyClock::now() - silentSince < limits.silentRetry;
        refused = request.silent || serial == tooLargeSerial;
    }
    request.serial = serial;
    if (refused || !selection) {
        finish(request, !refused);
        return;
    }
    const auto &types = selection->types;
    for (const char *type : kTextTypes) {
        if (std::find(types.begin(), types.end(), type) == types.end())
            continue;
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            break;
        // The request carries a copy of the writing end; ours is closed,
        // so the text ends when the owner closes its copy.
        datacontrol::receive(selection->proxy, type, ends[1]);
        wl_display_flush(display);
        ::close(ends[1]);
        {
            const std::lock_guard lock(mutex);
            request.fd = ends[0];
        }
        finish(request, true);
        return;
    }
    // It holds something, but no text: a picture, say.
    finish(request, true);
}

void WaylandClipboard::State::handle(const std::shared_ptr<Request> &request)
{
    request->state = this;
    switch (request->kind) {
    case Request::Kind::Read:
        break;
    case Request::Kind::Put: {
        auto *source = new Source{datacontrol::createDataSource(*protocol, manager),
                                  std::make_shared<const QByteArray>(request->text)};
        wl_proxy_add_listener(source->proxy,
                              reinterpret_cast<void (**)(void)>(const_cast<datacontrol::SourceListener *>(&sourceListener)),
                              this);
        for (const char *type : kTextTypes)
            datacontrol::offerType(source->proxy, type);
        datacontrol::setSelection(device, source->proxy);
        sources.push_back(source);
        ownSelection = source;
        request->source = source->proxy;
        break;
    }
    case Request::Kind::Clear: {
        bool changed = false;
        {
            const std::lock_guard lock(mutex);
            changed = request->unlessChangedSince && *request->unlessChangedSince != selectionSerial;
        }
        if (changed) {
            finish(*request, false);
            return;
        }
        datacontrol::setSelection(device, nullptr);
        break;
    }
    }
    // The compositor answers a sync after it has handled everything sent
    // before it, and after sending the events that caused.
    request->sync = wl_display_sync(display);
    wl_callback_add_listener(request->sync, &syncListener, request.get());
    awaitingCompositor.push_back(request);
}

void WaylandClipboard::State::serveWrites(const std::vector<pollfd> &ready)
{
    const SteadyClock::time_point now = SteadyClock::now();
    for (Write &write : writes) {
        const auto polled = std::find_if(ready.begin(), ready.end(),
                                         [&write](const pollfd &p) { return p.fd == write.fd; });
        bool over = polled != ready.end() && (polled->revents & (POLLERR | POLLHUP | POLLNVAL));
        if (!over && polled != ready.end() && (polled->revents & POLLOUT)) {
            const ssize_t n = ::write(write.fd, write.text->constData() + write.written,
                                      std::size_t(write.text->size() - write.written));
            if (n > 0) {
                write.written += n;
                write.lastProgress = now;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                // A reader gone early (EPIPE) is its own business; the
                // signal that came with it is taken off this thread.
                if (errno == EPIPE) {
                    sigset_t pipeSignal;
                    sigemptyset(&pipeSignal);
                    sigaddset(&pipeSignal, SIGPIPE);
                    const timespec immediately{0, 0};
                    sigtimedwait(&pipeSignal, nullptr, &immediately);
                }
                over = true;
            }
        }
        if (over || write.written == write.text->size() || now - write.lastProgress > kStalledReader) {
            ::close(write.fd);
            write.fd = -1;
        }
    }
    std::erase_if(writes, [](const Write &write) { return write.fd < 0; });
}

void WaylandClipboard::State::run()
{
    // Writing to a reader that has gone raises SIGPIPE on the writing
    // thread; held back here, it cannot end the program.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    const int displayFd = wl_display_get_fd(display);
    for (;;) {
        const bool usable = [this] {
            const std::lock_guard lock(mutex);
            return !broken;
        }();
        bool reading = false;
        bool flushed = true;
        if (usable) {
            while (wl_display_prepare_read(display) != 0)
                wl_display_dispatch_pending(display);
            reading = true;
            flushed = wl_display_flush(display) >= 0 || errno != EAGAIN;
        }

        std::vector<pollfd> descriptors{{wake, POLLIN, 0}};
        if (usable)
            descriptors.push_back({displayFd, short(POLLIN | (flushed ? 0 : POLLOUT)), 0});
        SteadyClock::time_point next = SteadyClock::time_point::max();
        for (const Write &write : writes) {
            descriptors.push_back({write.fd, POLLOUT, 0});
            next = std::min(next, write.lastProgress + kStalledReader);
        }
        const int timeout = next == SteadyClock::time_point::max() ? -1 : remainingMs(next) + 1;
        ::poll(descriptors.data(), nfds_t(descriptors.size()), timeout);

        if (reading) {
            if (descriptors[1].revents & POLLIN)
                wl_display_read_events(display);
            else
                wl_display_cancel_read(display);
            wl_display_dispatch_pending(display);
            if (wl_display_get_error(display) != 0)
                failEverything();
        }
        serveWrites(descriptors);

        if (descriptors[0].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(wake, &count, sizeof count);
        }
        std::deque<std::shared_ptr<Request>> taken;
        {
            const std::lock_guard lock(mutex);
            if (stopping)
                return;
            taken.swap(requests);
        }
        for (const auto &request : taken)
            handle(request);
    }
}

std::shared_ptr<Request> WaylandClipboard::State::ask(std::shared_ptr<Request> request, SteadyClock::time_point deadline)
{
    {
        const std::lock_guard lock(mutex);
        if (broken)
            return nullptr;
        requests.push_back(request);
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof one);
    std::unique_lock lock(mutex);
    if (!answered.wait_until(lock, deadline, [&request] { return request->done; }))
        return nullptr;
    return request->ok ? request : nullptr;
}

void WaylandClipboard::State::markSilent(quint64 serial)
{
    const std::lock_guard lock(mutex);
    silentSerial = serial;
    silentSince = SteadyClock::now();
}

std::optional<QString> WaylandClipboard::State::readFrom(Request &request, SteadyClock::time_point started)
{
    int fd = -1;
    {
        const std::lock_guard lock(mutex);
        std::swap(fd, request.fd);
    }
    if (fd < 0)
        return QString();
    const SteadyClock::time_point whole = started + limits.transfer;
    const SteadyClock::time_point firstAnswer = std::min(SteadyClock::now() + limits.answer, whole);
    QByteArray data;
    bool answeredAtAll = false;
    std::optional<QString> result;
    for (;;) {
        pollfd descriptor{fd, POLLIN, 0};
        const int ready = ::poll(&descriptor, 1, remainingMs(answeredAtAll ? whole : firstAnswer));
        if (ready == 0) {
            // Silent: remembered, so that the next reads do not wait again.
            markSilent(request.serial);
            break;
        }
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            break;
        }
        answeredAtAll = true;
        if (n == 0) {
            result = decodeText(data);
            break;
        }
        if (data.size() + n > kSizeLimit) {
            // Too large, not silent: left alone until something else is put there.
            const std::lock_guard lock(mutex);
            tooLargeSerial = request.serial;
            break;
        }
        data.append(buffer, n);
    }
    ::close(fd);
    return result;
}

WaylandClipboard::WaylandClipboard(std::unique_ptr<State> state) : d(std::move(state)) {}

WaylandClipboard::~WaylandClipboard() = default;

std::unique_ptr<WaylandClipboard> WaylandClipboard::connect(const char *display)
{
    return connect(display, Limits{});
}

std::unique_ptr<WaylandClipboard> WaylandClipboard::connect(const char *display, Limits limits)
{
    // libwayland would try "wayland-0" without it; a session that names no
    // compositor has none for this program.
    if (!display && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    auto state = std::make_unique<State>();
    state->limits = limits;
    state->display = wl_display_connect(display);
    if (!state->display)
        return nullptr;
    state->registry = wl_display_get_registry(state->display);
    wl_registry_add_listener(state->registry, &State::registryListener, state.get());
    if (!state->roundtrip() || state->seatName == 0 || (state->extName == 0 && state->wlrName == 0))
        return nullptr;

    const bool ext = state->extName != 0;
    state->protocol = ext ? &datacontrol::extProtocol() : &datacontrol::wlrProtocol();
    state->protocolName = QString::fromLatin1(state->protocol->manager->name);
    state->manager = static_cast<wl_proxy *>(
        wl_registry_bind(state->registry, ext ? state->extName : state->wlrName, state->protocol->manager, 1));
    state->seat = static_cast<wl_proxy *>(wl_registry_bind(state->registry, state->seatName, &wl_seat_interface, 1));
    state->device = datacontrol::getDataDevice(*state->protocol, state->manager, state->seat);
    wl_proxy_add_listener(state->device,
                          reinterpret_cast<void (**)(void)>(const_cast<datacontrol::DeviceListener *>(&State::deviceListener)),
                          state.get());
    // The clipboard as it is now arrives before the answer.
    if (!state->roundtrip())
        return nullptr;

    state->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state->wake < 0)
        return nullptr;
    State *running = state.get();
    state->worker = std::thread([running] { running->run(); });
    return std::unique_ptr<WaylandClipboard>(new WaylandClipboard(std::move(state)));
}

QString WaylandClipboard::protocolName() const
{
    return d->protocolName;
}

void WaylandClipboard::setOwnCopy(std::function<std::optional<QString>()> ownCopy)
{
    d->ownCopy = std::move(ownCopy);
}

std::optional<QString> WaylandClipboard::text()
{
    d->lastRead.reset();
    if (d->ownCopy) {
        if (std::optional<QString> own = d->ownCopy())
            return own;
    }
    const SteadyClock::time_point started = SteadyClock::now();
    auto request = std::make_shared<Request>();
    request->kind = Request::Kind::Read;
    const std::shared_ptr<Request> answer = d->ask(request, started + d->limits.transfer);
    if (!answer)
        return std::nullopt;
    std::optional<QString> text = d->readFrom(*answer, started);
    if (text)
        d->lastRead = answer->serial;
    return text;
}

bool WaylandClipboard::ownerSilent()
{
    if (d->ownCopy && d->ownCopy())
        return false;
    const SteadyClock::time_point started = SteadyClock::now();
    auto request = std::make_shared<Request>();
    request->kind = Request::Kind::Read;
    const std::shared_ptr<Request> answer = d->ask(request, started + d->limits.transfer);
    if (!answer) {
        const std::lock_guard lock(d->mutex);
        return request->silent;
    }
    int fd = -1;
    {
        const std::lock_guard lock(d->mutex);
        std::swap(fd, answer->fd);
    }
    if (fd < 0)
        return false;
    // Any first answer will do, a byte or the end of an empty text.
    pollfd descriptor{fd, POLLIN, 0};
    const int ready = ::poll(&descriptor, 1, int(d->limits.answer.count()));
    ::close(fd);
    if (ready == 0)
        d->markSilent(answer->serial);
    return ready == 0;
}

bool WaylandClipboard::setText(const QString &text)
{
    d->lastRead.reset();
    auto request = std::make_shared<Request>();
    request->kind = Request::Kind::Put;
    request->text = text.toUtf8();
    return d->ask(request, SteadyClock::now() + d->limits.transfer) != nullptr;
}

bool WaylandClipboard::clear()
{
    auto request = std::make_shared<Request>();
    request->kind = Request::Kind::Clear;
    request->unlessChangedSince = d->lastRead;
    d->lastRead.reset();
    return d->ask(request, SteadyClock::now() + d->limits.transfer) != nullptr;
}

} // namespace bilan
