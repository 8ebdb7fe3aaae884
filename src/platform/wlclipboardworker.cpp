// The worker's half of the Wayland clipboard: one thread owns the
// connection once it is made. It dispatches the compositor's events,
// carries out the requests the interface thread hands it, and writes this
// program's text to every program that asks for it, without ever blocking
// on one: a program that asks and never reads holds up nothing.
#include "wlclipboardstate.h"

#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace bilan {

using namespace wlclip;

namespace {

// A program that asked for this program's text and reads none of it for
// this long has given up; its pipe is closed.
constexpr auto kStalledReader = std::chrono::seconds(30);

// Connecting happens once, at start; a compositor that does not answer in
// this time is not used.
constexpr auto kConnectDeadline = std::chrono::milliseconds(1000);

} // namespace

Request::~Request()
{
    if (fd >= 0)
        ::close(fd);
}

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
        s.offers.push_back(std::make_unique<Offer>(Offer{offerProxy, {}}));
        datacontrol::addListener(offerProxy, offerListener, s.offers.back().get());
    },
    [](void *data, wl_proxy *, wl_proxy *offerProxy) {
        State &s = *static_cast<State *>(data);
        // Every offer but the new content is of no more use.
        std::unique_ptr<Offer> current;
        for (std::unique_ptr<Offer> &offer : s.offers) {
            if (offerProxy && offer->proxy == offerProxy)
                current = std::move(offer);
            else
                datacontrol::destroyOffer(offer->proxy);
        }
        s.offers.clear();
        s.selection = current.get();
        if (current)
            s.offers.push_back(std::move(current));
        const std::lock_guard lock(s.mutex);
        ++s.selectionSerial;
    },
    [](void *data, wl_proxy *) {
        // The seat is gone, and its clipboard with it.
        static_cast<State *>(data)->failEverything();
    },
    [](void *, wl_proxy *, wl_proxy *) {
        // Never sent at the version bound; an offer that comes anyway goes
        // with the next content.
    },
};

const datacontrol::OfferListener WaylandClipboard::State::offerListener = {
    [](void *data, wl_proxy *, const char *type) { static_cast<Offer *>(data)->types.emplace_back(type); },
};

const datacontrol::SourceListener WaylandClipboard::State::sourceListener = {
    [](void *data, wl_proxy *proxy, const char *, int32_t fd) {
        State &s = *static_cast<State *>(data);
        const Source *source = s.sourceOf(proxy);
        if (!source) {
            ::close(fd);
            return;
        }
        // The same UTF-8 for every type, as Wayland programs serve text.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        s.writes.push_back(Write{fd, source->text, 0, SteadyClock::now()});
    },
    [](void *data, wl_proxy *proxy) {
        State &s = *static_cast<State *>(data);
        if (s.ownSelection && s.ownSelection->proxy == proxy)
            s.ownSelection = nullptr;
        // What is being written of it still goes out whole.
        std::erase_if(s.sources, [proxy](const std::unique_ptr<Source> &source) { return source->proxy == proxy; });
        datacontrol::destroySource(proxy);
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
    for (const Write &write : writes)
        ::close(write.fd);
    if (display) {
        for (const auto &request : awaitingCompositor) {
            if (request->sync)
                wl_callback_destroy(request->sync);
        }
        for (const auto &offer : offers)
            datacontrol::destroyOffer(offer->proxy);
        for (const auto &source : sources)
            datacontrol::destroySource(source->proxy);
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
    static const wl_callback_listener doneListener = {
        [](void *data, wl_callback *, uint32_t) { *static_cast<bool *>(data) = true; },
    };
    bool done = false;
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

Source *WaylandClipboard::State::sourceOf(wl_proxy *proxy)
{
    const auto found = std::find_if(sources.begin(), sources.end(),
                                    [proxy](const std::unique_ptr<Source> &source) { return source->proxy == proxy; });
    return found == sources.end() ? nullptr : found->get();
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
    bool refused = false;
    {
        const std::lock_guard lock(mutex);
        request.serial = selectionSerial;
        request.silent =
            selectionSerial == silentSerial && SteadyClock::now() - silentSince < limits.silentRetry;
        refused = request.silent || selectionSerial == tooLargeSerial;
    }
    if (refused || !selection) {
        finish(request, !refused);
        return;
    }
    const std::vector<std::string> &types = selection->types;
    for (const char *type : kTextTypes) {
        if (std::find(types.begin(), types.end(), type) == types.end())
            continue;
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            break;
        // The request carries a copy of the writing end, so the text ends
        // when the owner closes its own.
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
    // It holds something, but no text (a picture, say); or no pipe could
    // be had, and there is nothing to read either way.
    finish(request, true);
}

void WaylandClipboard::State::handle(const std::shared_ptr<Request> &request)
{
    request->state = this;
    switch (request->kind) {
    case Request::Kind::Read:
        break;
    case Request::Kind::Put: {
        auto source = std::make_unique<Source>(
            Source{datacontrol::createDataSource(*protocol, manager), std::make_shared<const QByteArray>(request->text)});
        datacontrol::addListener(source->proxy, sourceListener, this);
        for (const char *type : kTextTypes)
            datacontrol::offerType(source->proxy, type);
        datacontrol::setSelection(device, source->proxy);
        request->source = source->proxy;
        ownSelection = source.get();
        sources.push_back(std::move(source));
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
    // The compositor answers a sync once it has handled everything sent
    // before it, and sent the events that caused.
    request->sync = wl_display_sync(display);
    wl_callback_add_listener(request->sync, &syncListener, request.get());
    awaitingCompositor.push_back(request);
}

void WaylandClipboard::State::serveWrites(const std::vector<pollfd> &polled)
{
    const SteadyClock::time_point now = SteadyClock::now();
    for (Write &write : writes) {
        const auto found =
            std::find_if(polled.begin(), polled.end(), [&write](const pollfd &p) { return p.fd == write.fd; });
        const short events = found == polled.end() ? 0 : found->revents;
        bool over = events & (POLLERR | POLLHUP | POLLNVAL);
        if (!over && (events & POLLOUT)) {
            const ssize_t n = ::write(write.fd, write.text->constData() + write.written,
                                      std::size_t(write.text->size() - write.written));
            if (n > 0) {
                write.written += n;
                write.lastProgress = now;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                // A reader that went early raised SIGPIPE on this thread,
                // which holds it back; it is taken off here.
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
        bool flushed = true;
        if (usable) {
            while (wl_display_prepare_read(display) != 0)
                wl_display_dispatch_pending(display);
            flushed = wl_display_flush(display) >= 0 || errno != EAGAIN;
        }

        std::vector<pollfd> descriptors{{wake, POLLIN, 0}};
        if (usable)
            descriptors.push_back({displayFd, short(POLLIN | (flushed ? 0 : POLLOUT)), 0});
        SteadyClock::time_point giveUp = SteadyClock::time_point::max();
        for (const Write &write : writes) {
            descriptors.push_back({write.fd, POLLOUT, 0});
            giveUp = std::min(giveUp, write.lastProgress + kStalledReader);
        }
        const int timeout = giveUp == SteadyClock::time_point::max() ? -1 : remainingMs(giveUp) + 1;
        ::poll(descriptors.data(), nfds_t(descriptors.size()), timeout);

        if (usable) {
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
            if (!broken)
                taken.swap(requests);
        }
        for (const auto &request : taken)
            handle(request);
    }
}

} // namespace bilan
