#pragma once
// Byte-order and checksum helpers shared by every frame and reply parser.
// Numbers on the wire and in the logger memory are big-endian; checksums are
// 8-bit sums with wrap-around.

#include <cstddef>
#include <cstdint>

namespace LinkBytes {

// High byte of a 16-bit value, then the low byte.
inline uint8_t HighByte(uint16_t value) { return static_cast<uint8_t>(value >> 8); }
inline uint8_t LowByte(uint16_t value) { return static_cast<uint8_t>(value & 0xFF); }

// Reads a big-endian 16-bit value from two bytes.
inline uint16_t ReadBE16(const uint8_t *bytes)
{
    return static_cast<uint16_t>((static_cast<uint16_t>(bytes[0]) << 8) | bytes[1]);
}

// Writes a 16-bit value as two bytes, high byte first.
inline void WriteBE16(uint8_t *bytes, uint16_t value)
{
    bytes[0] = HighByte(value);
    bytes[1] = LowByte(value);
}

// Reads a big-endian 32-bit value from four bytes.
inline uint32_t ReadBE32(const uint8_t *bytes)
{
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16)
         | (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

// Low 8 bits of the sum of `count` bytes starting at `bytes`.
inline uint8_t Checksum8(const uint8_t *bytes, std::size_t count)
{
    uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

// Low 8 bits of the sum of bytes first..last (both included).
inline uint8_t Checksum8Range(const uint8_t *bytes, std::size_t first, std::size_t last)
{
    return last < first ? 0 : Checksum8(bytes + first, last - first + 1);
}

} // namespace LinkBytes

// CRC-32 (IEEE 802.3, the one of zlib and PNG) of `size` bytes: the check of
// every record the program writes for itself (journal, spool).
uint32_t Crc32(const char *data, std::size_t size);
