#include "device/Discovery.h"

#include <set>

#include "device/ReportDescriptor.h"

namespace vandrel {

ChannelRule platformChannelRule() {
#ifdef _WIN32
    return ChannelRule::PathMarkers;
#else
    return ChannelRule::InterfaceNumbers;
#endif
}

namespace {

bool isKeyboard(const HidRecord& r) {
    return r.vendorId == kKeyboardVendorId && r.productId == kKeyboardProductId && r.canOpen;
}

ChannelChoice byPathMarkers(const std::vector<HidRecord>& records) {
    ChannelChoice c;
    for (const HidRecord& r : records) {
        if (!isKeyboard(r)) continue;
        if (!c.commandPath && r.path.find("mi_03") != std::string::npos) c.commandPath = r.path;
        if (!c.listenPath && r.path.find("ol04") != std::string::npos) c.listenPath = r.path;
    }
    c.listenFraming.idByte = ListenFraming::IdByte::ByLength;
    return c;
}

ChannelChoice byInterfaceNumbers(const std::vector<HidRecord>& records) {
    // One hidraw node serves a whole interface and may be listed once per
    // collection: keep the first record of each path.
    std::vector<const HidRecord*> nodes;
    std::set<std::string> seen;
    for (const HidRecord& r : records)
        if (isKeyboard(r) && seen.insert(r.path).second) nodes.push_back(&r);

    ChannelChoice c;
    const HidRecord* command = nullptr;
    for (const HidRecord* r : nodes) {
        if (r->interfaceNumber == kCommandInterface) {
            command = r;
            c.commandPath = r->path;
            break;
        }
    }

    // The listen interface: prefer the one on the same keyboard as the command
    // channel, so that two keyboards never get mixed up.
    const HidRecord* listen = nullptr;
    InputReportInfo listenInput;
    bool listenUsesIds = false;
    for (const HidRecord* r : nodes) {
        ReportDescriptorInfo info = parseReportDescriptor(r->reportDescriptor);
        if (info.collections.size() <= kListenCollectionIndex) continue;
        const InputReportInfo* in = info.collections[kListenCollectionIndex].inputOfSize(kListenPayloadBytes);
        if (!in) continue;
        const bool sameKeyboard = command && !command->usbDevice.empty() && r->usbDevice == command->usbDevice;
        if (!listen || sameKeyboard) {
            listen = r;
            listenInput = *in;
            listenUsesIds = info.usesReportIds;
        }
        if (sameKeyboard) break;
    }
    if (listen) {
        c.listenPath = listen->path;
        c.listenFraming.idByte = listenUsesIds ? ListenFraming::IdByte::Present : ListenFraming::IdByte::Absent;
        if (listenUsesIds) c.listenFraming.reportId = listenInput.reportId;
    }
    return c;
}

}  // namespace

ChannelChoice chooseChannels(const std::vector<HidRecord>& records, ChannelRule rule) {
    return rule == ChannelRule::PathMarkers ? byPathMarkers(records) : byInterfaceNumbers(records);
}

}  // namespace vandrel
