// The Wayland clipboard over the data-control protocol (datacontrol.h),
// the interface thread's half: it hands its requests to the worker
// (wlclipboardworker.cpp) and reads another program's text from a pipe
// itself, each time with a deadline. Written against libwayland-client
// directly: no Debian library offers a client of this protocol, and Qt's
// Wayland clipboard sees the clipboard only while a window of its own has
// the keyboard focus.
#include "wlclipboardstate.h"
#include "xselection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStringDecoder>
#include <QtGlobal>

#include <sys/eventfd.h>
#include <unistd.h>

namespace bilan {

using namespace wlclip;

namespace {

// No clipboard text comes near this; more is not worth holding up the window for.
constexpr qsizetype kSizeLimit = 16 * 1024 * 1024;

// Text from another program: UTF-8 whatever the type says, unless it is
// not valid UTF-8, as the Latin-1 of an old X program's STRING is not.
QString decodeText(const QByteArray &data)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    return utf8.hasError() ? QString::fromLatin1(data) : text;
}

} // namespace

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

int WaylandClipboard::State::takeFd(Request &request)
{
    int fd = -1;
    const std::lock_guard lock(mutex);
    std::swap(fd, request.fd);
    return fd;
}

void WaylandClipboard::State::markSilent(quint64 serial)
{
    const std::lock_guard lock(mutex);
    silentSerial = serial;
    silentSince = SteadyClock::now();
}

std::optional<QString> WaylandClipboard::State::readFrom(Request &request, SteadyClock::time_point started)
{
    const int fd = takeFd(request);
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
    state->manager = static_cast<wl_proxy *>(
        wl_registry_bind(state->registry, ext ? state->extName : state->wlrName, state->protocol->manager, 1));
    state->seat = static_cast<wl_proxy *>(wl_registry_bind(state->registry, state->seatName, &wl_seat_interface, 1));
    state->device = datacontrol::getDataDevice(*state->protocol, state->manager, state->seat);
    datacontrol::addListener(state->device, State::deviceListener, state.get());
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

WaylandClipboard *WaylandClipboard::shared()
{
    static const std::unique_ptr<WaylandClipboard> clipboard = [] {
        // Offscreen, as in most tests, there is no desktop to share with.
        const QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("xcb") && platform != QLatin1String("wayland"))
            return std::unique_ptr<WaylandClipboard>();
        std::unique_ptr<WaylandClipboard> connected = connect();
        if (connected) {
            // Qt serves its own copies (Ctrl+C in a text control) on the
            // interface thread, which would be the one waiting for them.
            // Whether Qt holds the clipboard is the X server's word.
            connected->setOwnCopy([]() -> std::optional<QString> {
                XSelection *x = XSelection::shared();
                const bool qtHolds = x ? x->owner() == XSelection::Owner::Program
                                       : QGuiApplication::clipboard()->ownsClipboard();
                return qtHolds ? std::optional<QString>(QGuiApplication::clipboard()->text()) : std::nullopt;
            });
        }
        return connected;
    }();
    return clipboard.get();
}

QString WaylandClipboard::protocolName() const
{
    return QString::fromLatin1(d->protocol->manager->name);
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
    const int fd = d->takeFd(*answer);
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
    d->lastRead.reset();
    return d->ask(request, SteadyClock::now() + d->limits.transfer) != nullptr;
}

bool WaylandClipboard::clearIfUnchanged()
{
    auto request = std::make_shared<Request>();
    request->kind = Request::Kind::Clear;
    request->unlessChangedSince = d->lastRead;
    d->lastRead.reset();
    return d->ask(request, SteadyClock::now() + d->limits.transfer) != nullptr;
}

} // namespace bilan
