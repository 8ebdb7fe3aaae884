// Owns the clipboard of a Wayland session through data control, offering
// one type, and answers requests for it in one of three ways:
//   wlowner serve TYPE TEXT   writes TEXT and closes, like any program;
//   wlowner stall TYPE TEXT   writes TEXT and then neither writes nor closes;
//   wlowner silent TYPE       never even reads the requests.
// TEXT may carry bytes as %HH, for text that is not UTF-8.
// Prints "ready" once the compositor has made it the owner, and ends when
// something else takes the clipboard (silent: when it is killed).
#include "platform/datacontrol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::string percentDecoded(const char *text)
{
    std::string bytes;
    for (const char *c = text; *c; ++c) {
        if (c[0] == '%' && c[1] && c[2]) {
            bytes += char(std::stoi(std::string(c + 1, 2), nullptr, 16));
            c += 2;
        } else {
            bytes += *c;
        }
    }
    return bytes;
}

struct Owner
{
    uint32_t seatName = 0, extName = 0, wlrName = 0;
    std::string mode;
    std::string text;
    bool cancelled = false;
    std::vector<int> held; // the stalled readers, kept open
};

const wl_registry_listener registryListener = {
    [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t) {
        auto &owner = *static_cast<Owner *>(data);
        if (std::strcmp(interface, "wl_seat") == 0 && owner.seatName == 0)
            owner.seatName = name;
        else if (std::strcmp(interface, bilan::datacontrol::extProtocol().manager->name) == 0)
            owner.extName = name;
        else if (std::strcmp(interface, bilan::datacontrol::wlrProtocol().manager->name) == 0)
            owner.wlrName = name;
    },
    [](void *, wl_registry *, uint32_t) {},
};

const bilan::datacontrol::SourceListener sourceListener = {
    [](void *data, wl_proxy *, const char *, int32_t fd) {
        auto &owner = *static_cast<Owner *>(data);
        const ssize_t written = ::write(fd, owner.text.data(), owner.text.size());
        (void)written;
        if (owner.mode == "stall")
            owner.held.push_back(fd);
        else
            ::close(fd);
    },
    [](void *data, wl_proxy *) { static_cast<Owner *>(data)->cancelled = true; },
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return 2;
    Owner owner;
    owner.mode = argv[1];
    const char *type = argv[2];
    owner.text = argc > 3 ? percentDecoded(argv[3]) : std::string();

    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &owner);
    wl_display_roundtrip(display);
    if (owner.seatName == 0 || (owner.extName == 0 && owner.wlrName == 0))
        return 1;
    const bool ext = owner.extName != 0;
    const bilan::datacontrol::Protocol &protocol =
        ext ? bilan::datacontrol::extProtocol() : bilan::datacontrol::wlrProtocol();
    auto *manager = static_cast<wl_proxy *>(
        wl_registry_bind(registry, ext ? owner.extName : owner.wlrName, protocol.manager, 1));
    auto *seat = static_cast<wl_proxy *>(wl_registry_bind(registry, owner.seatName, &wl_seat_interface, 1));
    wl_proxy *device = bilan::datacontrol::getDataDevice(protocol, manager, seat);
    wl_proxy *source = bilan::datacontrol::createDataSource(protocol, manager);
    bilan::datacontrol::addListener(source, sourceListener, &owner);
    bilan::datacontrol::offerType(source, type);
    bilan::datacontrol::setSelection(device, source);
    // The device's events (the selection it has just set) need no handler.
    wl_display_roundtrip(display);
    std::puts("ready");
    std::fflush(stdout);

    if (owner.mode == "silent") {
        // The requests pile up unread, each holding its reader's pipe open.
        for (;;)
            ::pause();
    }
    while (!owner.cancelled && wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
