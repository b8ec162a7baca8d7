#include "core/link/frames.h"

#include "core/base/bytes.h"

#include <cstring>

void TFrameBuffer::Compose(uint8_t command)
{
    bytes[0] = FrameStx;
    bytes[1] = command;
    bytes[6] = FrameEtx;
}

void TFrameBuffer::ComposePage(uint8_t command, uint16_t page)
{
    Compose(command);
    LinkBytes::WriteBE16(bytes + 2, page);
}

void TFrameBuffer::ComposeCounted(uint8_t command, uint8_t counter)
{
    Compose(command);
    bytes[5] = counter;
}

void TFrameBuffer::ComposeKey(uint8_t command)
{
    Compose(command);
    bytes[2] = 0;
    bytes[3] = 0;
}

void TLinkBuffers::KeepIdentity()
{
    std::memcpy(IdentityReply, Reply, sizeof IdentityReply);
}

void TLinkBuffers::ClearReply()
{
    std::memset(Reply, 0, sizeof Reply);
}

bool CheckLiveReply(const uint8_t *bytes, int count)
{
    if (!bytes || count < LiveReplySize)
        return false;
    if (!HasLiveFraming(bytes))
        return false;
    return LinkBytes::Checksum8Range(bytes, 1, 61) == bytes[62];
}

bool HasLiveFraming(const uint8_t *reply64)
{
    return reply64 && reply64[0] == FrameStx && reply64[63] == FrameEtx;
}

bool LiveReplyHasDisplay(const uint8_t *reply64)
{
    for (int i = 40; i <= 59; ++i)
        if (reply64[i] != 0xFF)
            return true;
    return false;
}

bool CheckIdentity(const uint8_t *bytes, int count)
{
    if (!bytes || count < IdentityReplySize)
        return false;
    return bytes[23] == '7' && bytes[24] == '3' && bytes[25] == '8';
}

bool CheckPageReply(const uint8_t *bytes, int count, uint16_t page, TLinkKind link)
{
    if (!bytes || count < PageReplySize)
        return false;
    if (bytes[35] != PageReplyEnd)
        return false;
    if (link == TLinkKind::Usb)
        return LinkBytes::ReadBE16(bytes + 32) == page;
    return LinkBytes::Checksum8(bytes, PageDataSize) == bytes[34];
}

bool CheckAcknowledgement(const uint8_t *bytes, int count)
{
    return bytes && count >= 4 && bytes[2] == 'O' && bytes[3] == 'K';
}
