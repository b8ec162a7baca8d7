#pragma once
// Command frames and reply frames of the meter protocol.
//
// A request is always seven bytes: STX, one ASCII command letter, four
// parameter bytes and ETX. Each sending context keeps one persistent frame
// buffer and overwrites only the bytes a request uses, so parameter bytes a
// command does not use still hold what an earlier request put there.

#include <cstddef>
#include <cstdint>

namespace MeterCommand {
constexpr uint8_t Live = 0x41;             // "A": live reading, 64-byte reply
constexpr uint8_t Identity = 0x4B;         // "K": identity reply, model code at 23-25
constexpr uint8_t Page = 0x50;             // "P": one page of logger memory
constexpr uint8_t NextPage = 0x70;         // "p": next page of a download
constexpr uint8_t RepeatPageUsb = 0x72;    // "r": the page again (USB)
constexpr uint8_t RepeatPageSerial = 0x6E; // "n": the page again (serial)
constexpr uint8_t EndTransfer = 0x71;      // "q": end of a memory transfer, no reply
constexpr uint8_t AbortTransfer = 0x51;    // "Q": after a failed download, no reply
constexpr uint8_t KeyHold = 0x48;          // "H"
constexpr uint8_t KeyUnit = 0x43;          // "C": degC/degF
constexpr uint8_t KeyRec = 0x45;           // "E"
constexpr uint8_t KeyRecall = 0x52;        // "R"
constexpr uint8_t KeyMaxMin = 0x4D;        // "M"
constexpr uint8_t KeyMaxMinCancel = 0x4E;  // "N"
constexpr uint8_t KeyBacklight = 0x42;     // "B"
constexpr uint8_t KeyMem = 0x6D;           // "m"
} // namespace MeterCommand

constexpr uint8_t FrameStx = 0x02;
constexpr uint8_t FrameEtx = 0x03;
constexpr uint8_t PageReplyEnd = 0x05;

constexpr int FrameSize = 7;
constexpr int ReplyBufferSize = 64;
constexpr int LiveReplySize = 64;
constexpr int IdentityReplySize = 32;
constexpr int PageReplySize = 36;
constexpr int AcknowledgementSize = 32;
constexpr int PageDataSize = 32;

// One persistent 7-byte command frame buffer.
struct TFrameBuffer {
    uint8_t bytes[FrameSize] = {FrameStx, 0, 0, 0, 0, 0, FrameEtx};

    TFrameBuffer() = default;
    explicit TFrameBuffer(uint8_t initialCommand) { bytes[1] = initialCommand; }

    const uint8_t *data() const { return bytes; }
    uint8_t operator[](int i) const { return bytes[i]; }

    // Writes STX, the command byte and ETX; the parameter bytes keep their content.
    void Compose(uint8_t command);
    // As Compose, with a page number big-endian in bytes 2 and 3.
    void ComposePage(uint8_t command, uint16_t page);
    // As Compose, with the request counter in byte 5.
    void ComposeCounted(uint8_t command, uint8_t counter);
    // A front-panel key: zeros in bytes 2 and 3, bytes 4 and 5 untouched.
    void ComposeKey(uint8_t command);
};

// The frame buffers and the reply buffer of the main window. The panel reads
// its acknowledgements into a buffer of its own.
struct TLinkBuffers {
    TFrameBuffer MainUsbFrame{0x00};
    TFrameBuffer MainSerialFrame{MeterCommand::Identity};
    TFrameBuffer PanelFrame{0x00};
    uint8_t RequestCounter = 0;               // 8-bit, first live request over USB carries 1
    uint8_t Reply[ReplyBufferSize] = {};
    // The last identity reply that passed its check: the meter the archive
    // names for a download.
    uint8_t IdentityReply[IdentityReplySize] = {};
    void KeepIdentity();

    // Advances the request counter (255 wraps to 0) and returns the new value.
    uint8_t NextRequestCounter() { return ++RequestCounter; }
    void ClearReply();
};

// True when at least 64 bytes arrived, byte 0 is STX, byte 63 ETX and byte 62
// the 8-bit sum of bytes 1 to 61.
bool CheckLiveReply(const uint8_t *bytes, int count);

// True when byte 0 is STX and byte 63 ETX (the USB live reply is decoded only then).
bool HasLiveFraming(const uint8_t *reply64);

// True when any of the display bytes 40 to 59 differs from 0xFF, that is when
// the reply carries a display image worth painting.
bool LiveReplyHasDisplay(const uint8_t *reply64);

// True when at least 32 bytes arrived and bytes 23 to 25 are "738".
bool CheckIdentity(const uint8_t *bytes, int count);

enum class TLinkKind { Usb, Serial };

// Checks of a page reply.
// USB: at least 36 bytes, byte 35 = 0x05 and bytes 32-33 echo the page; the
// checksum is not examined.
// Serial: at least 36 bytes, byte 34 = 8-bit sum of bytes 0-31 and byte 35 =
// 0x05; the page echo is not examined.
bool CheckPageReply(const uint8_t *bytes, int count, uint16_t page, TLinkKind link);

// True when byte 2 is "O" and byte 3 is "K" of a 32-byte acknowledgement.
bool CheckAcknowledgement(const uint8_t *bytes, int count = AcknowledgementSize);
