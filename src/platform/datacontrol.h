#pragma once

// The client side of the Wayland data-control protocols, through which a
// privileged client reads, sets and empties a seat's clipboard whatever
// window has the focus: "zwlr_data_control_manager_v1" (wlroots desktops,
// KWin) and "ext_data_control_manager_v1" (its standardised successor).
// Both have the same four interfaces with the same requests and events in
// the same order; only the names and versions differ, so one set of
// wrappers drives either.

#include <wayland-client-core.h>

#include <cstdint>

struct wl_interface;

namespace bilan::datacontrol {

struct Protocol
{
    const wl_interface *manager;
    const wl_interface *device;
    const wl_interface *source;
    const wl_interface *offer;
};

// The protocols in the order a client prefers them.
const Protocol &extProtocol();
const Protocol &wlrProtocol();

// Events, in the order the compositor numbers them. Each listener is handed
// to wl_proxy_add_listener as the table of the object's event handlers.
struct DeviceListener
{
    // A new offer, described by the offer events that follow at once.
    void (*dataOffer)(void *data, wl_proxy *device, wl_proxy *offer);
    // The clipboard now holds that offer; null when it is empty.
    void (*selection)(void *data, wl_proxy *device, wl_proxy *offer);
    // The seat is gone and the device with it.
    void (*finished)(void *data, wl_proxy *device);
    // The primary selection (middle click); only for devices bound at
    // version 2 and over, which this program never asks for.
    void (*primarySelection)(void *data, wl_proxy *device, wl_proxy *offer);
};

struct SourceListener
{
    // Someone asks for the data in this type: write it to fd and close it.
    void (*send)(void *data, wl_proxy *source, const char *mimeType, int32_t fd);
    // Another selection replaced this one; the source serves no more.
    void (*cancelled)(void *data, wl_proxy *source);
};

struct OfferListener
{
    // One type the offered data can be had in.
    void (*offer)(void *data, wl_proxy *offer, const char *mimeType);
};

// Hands the listener to the object: libwayland takes it as an array of
// function pointers, in the order of the object's events.
template<typename Listener>
int addListener(wl_proxy *proxy, const Listener &listener, void *data)
{
    return wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<Listener *>(&listener)), data);
}

// Requests. Each is one message to the compositor; none waits for an answer.
wl_proxy *createDataSource(const Protocol &protocol, wl_proxy *manager);
wl_proxy *getDataDevice(const Protocol &protocol, wl_proxy *manager, wl_proxy *seat);
void destroyManager(wl_proxy *manager);
// A null source empties the clipboard.
void setSelection(wl_proxy *device, wl_proxy *source);
void destroyDevice(wl_proxy *device);
void offerType(wl_proxy *source, const char *mimeType);
void destroySource(wl_proxy *source);
// The compositor hands fd to the offer's owner, which writes the data
// there; the caller closes its own copy of fd.
void receive(wl_proxy *offer, const char *mimeType, int32_t fd);
void destroyOffer(wl_proxy *offer);

} // namespace bilan::datacontrol
