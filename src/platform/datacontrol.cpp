// The interface tables and request wrappers of the data-control protocols,
// written by hand from the protocols' documentation: no Debian package
// ships their XML descriptions, so wayland-scanner has nothing to generate
// them from. A table lists each interface's requests and events in wire
// order; a message's signature gives its arguments ("n" a new object, "o"
// an object, "?" that it may be null, "s" a string, "h" a file
// descriptor, a leading digit the version it came with), and its types
// name the interface of each object argument.
#include "datacontrol.h"

#include <wayland-client-protocol.h>

namespace bilan::datacontrol {

extern const wl_interface wlrManager;
extern const wl_interface wlrDevice;
extern const wl_interface wlrSource;
extern const wl_interface wlrOffer;
extern const wl_interface extManager;
extern const wl_interface extDevice;
extern const wl_interface extSource;
extern const wl_interface extOffer;

namespace {

// Argument types shared by messages without object arguments.
const wl_interface *noTypes[] = {nullptr, nullptr};

const wl_interface *wlrCreateSourceTypes[] = {&wlrSource};
const wl_interface *wlrGetDeviceTypes[] = {&wlrDevice, &wl_seat_interface};
const wl_interface *wlrSourceTypes[] = {&wlrSource};
const wl_interface *wlrOfferTypes[] = {&wlrOffer};

const wl_message wlrManagerRequests[] = {
    {"create_data_source", "n", wlrCreateSourceTypes},
    {"get_data_device", "no", wlrGetDeviceTypes},
    {"destroy", "", noTypes},
};
const wl_message wlrDeviceRequests[] = {
    {"set_selection", "?o", wlrSourceTypes},
    {"destroy", "", noTypes},
    {"set_primary_selection", "2?o", wlrSourceTypes},
};
const wl_message wlrDeviceEvents[] = {
    {"data_offer", "n", wlrOfferTypes},
    {"selection", "?o", wlrOfferTypes},
    {"finished", "", noTypes},
    {"primary_selection", "2?o", wlrOfferTypes},
};

const wl_interface *extCreateSourceTypes[] = {&extSource};
const wl_interface *extGetDeviceTypes[] = {&extDevice, &wl_seat_interface};
const wl_interface *extSourceTypes[] = {&extSource};
const wl_interface *extOfferTypes[] = {&extOffer};

const wl_message extManagerRequests[] = {
    {"create_data_source", "n", extCreateSourceTypes},
    {"get_data_device", "no", extGetDeviceTypes},
    {"destroy", "", noTypes},
};
const wl_message extDeviceRequests[] = {
    {"set_selection", "?o", extSourceTypes},
    {"destroy", "", noTypes},
    {"set_primary_selection", "?o", extSourceTypes},
};
const wl_message extDeviceEvents[] = {
    {"data_offer", "n", extOfferTypes},
    {"selection", "?o", extOfferTypes},
    {"finished", "", noTypes},
    {"primary_selection", "?o", extOfferTypes},
};

// The source and offer messages have no object arguments, so both
// protocols share them.
const wl_message sourceRequests[] = {
    {"offer", "s", noTypes},
    {"destroy", "", noTypes},
};
const wl_message sourceEvents[] = {
    {"send", "sh", noTypes},
    {"cancelled", "", noTypes},
};
const wl_message offerRequests[] = {
    {"receive", "sh", noTypes},
    {"destroy", "", noTypes},
};
const wl_message offerEvents[] = {
    {"offer", "s", noTypes},
};

enum ManagerRequest : uint32_t { CreateDataSource = 0, GetDataDevice = 1, DestroyManager = 2 };
enum DeviceRequest : uint32_t { SetSelection = 0, DestroyDevice = 1 };
enum SourceRequest : uint32_t { Offer = 0, DestroySource = 1 };
enum OfferRequest : uint32_t { Receive = 0, DestroyOffer = 1 };

void destroyProxy(wl_proxy *proxy, uint32_t opcode)
{
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

} // namespace

const wl_interface wlrManager = {"zwlr_data_control_manager_v1", 2, 3, wlrManagerRequests, 0, nullptr};
const wl_interface wlrDevice = {"zwlr_data_control_device_v1", 2, 3, wlrDeviceRequests, 4, wlrDeviceEvents};
const wl_interface wlrSource = {"zwlr_data_control_source_v1", 1, 2, sourceRequests, 2, sourceEvents};
const wl_interface wlrOffer = {"zwlr_data_control_offer_v1", 1, 2, offerRequests, 1, offerEvents};
const wl_interface extManager = {"ext_data_control_manager_v1", 1, 3, extManagerRequests, 0, nullptr};
const wl_interface extDevice = {"ext_data_control_device_v1", 1, 3, extDeviceRequests, 4, extDeviceEvents};
const wl_interface extSource = {"ext_data_control_source_v1", 1, 2, sourceRequests, 2, sourceEvents};
const wl_interface extOffer = {"ext_data_control_offer_v1", 1, 2, offerRequests, 1, offerEvents};

const Protocol &extProtocol()
{
    static const Protocol protocol{&extManager, &extDevice, &extSource, &extOffer};
    return protocol;
}

const Protocol &wlrProtocol()
{
    static const Protocol protocol{&wlrManager, &wlrDevice, &wlrSource, &wlrOffer};
    return protocol;
}

wl_proxy *createDataSource(const Protocol &protocol, wl_proxy *manager)
{
    return wl_proxy_marshal_flags(manager, CreateDataSource, protocol.source, wl_proxy_get_version(manager), 0,
                                  nullptr);
}

wl_proxy *getDataDevice(const Protocol &protocol, wl_proxy *manager, wl_proxy *seat)
{
    return wl_proxy_marshal_flags(manager, GetDataDevice, protocol.device, wl_proxy_get_version(manager), 0,
                                  nullptr, seat);
}

void destroyManager(wl_proxy *manager)
{
    destroyProxy(manager, DestroyManager);
}

void setSelection(wl_proxy *device, wl_proxy *source)
{
    wl_proxy_marshal_flags(device, SetSelection, nullptr, wl_proxy_get_version(device), 0, source);
}

void destroyDevice(wl_proxy *device)
{
    destroyProxy(device, DestroyDevice);
}

void offerType(wl_proxy *source, const char *mimeType)
{
    wl_proxy_marshal_flags(source, Offer, nullptr, wl_proxy_get_version(source), 0, mimeType);
}

void destroySource(wl_proxy *source)
{
    destroyProxy(source, DestroySource);
}

void receive(wl_proxy *offer, const char *mimeType, int32_t fd)
{
    wl_proxy_marshal_flags(offer, Receive, nullptr, wl_proxy_get_version(offer), 0, mimeType, fd);
}

void destroyOffer(wl_proxy *offer)
{
    destroyProxy(offer, DestroyOffer);
}

} // namespace bilan::datacontrol
