#pragma once

// Little-endian byte coding for the table file: an appending writer, a bounds-checked reader that never reads
// past its end, and the exact conversion between doubles and the 80-bit extended numbers the file stores.

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <array>
#include <bit>
#include <cstdint>

// Little-endian stores into bytes the caller has made room for.
inline void StoreUInt16(char* p, std::uint16_t value) {
    qToLittleEndian(value, p);
}
inline void StoreUInt32(char* p, std::uint32_t value) {
    qToLittleEndian(value, p);
}
inline void StoreUInt64(char* p, std::uint64_t value) {
    qToLittleEndian(value, p);
}

// Appends little-endian values to a byte array.
class TByteWriter {
public:
    // Makes room for bytes more bytes to be written without growing the array.
    void Reserve(qsizetype bytes);

    void PutByte(std::uint8_t value) { *Room(1) = static_cast<char>(value); }
    void PutInt16(std::int16_t value);
    void PutInt32(std::int32_t value);
    void PutBytes(QByteArrayView bytes);
    // The next count bytes of the array, for the caller to fill.
    char* Room(qsizetype count) {
        if (count > FBytes.size() - FSize) {
            Grow(count);
        }
        char* at = FData + FSize;
        FSize += count;
        return at;
    }

    QByteArrayView Bytes() const { return QByteArrayView(FData, FSize); }
    QByteArray TakeBytes();

private:
    void Grow(qsizetype count);

    // The array is sized ahead of the bytes written; FData is its data, FSize the bytes written.
    QByteArray FBytes;
    char* FData = nullptr;
    qsizetype FSize = 0;
};

// Reads little-endian values from a byte view. Every getter advances the position on success and returns
// false, leaving the position where it was, when the view holds too few bytes.
class TByteReader {
public:
    explicit TByteReader(QByteArrayView bytes)
        : FBegin(bytes.data()), FNext(bytes.data()), FEnd(bytes.data() + bytes.size()) {}

    bool PeekByte(std::uint8_t& value) const {
        if (FNext == FEnd) {
            return false;
        }
        value = static_cast<std::uint8_t>(*FNext);
        return true;
    }
    bool GetByte(std::uint8_t& value) {
        if (!PeekByte(value)) {
            return false;
        }
        ++FNext;
        return true;
    }
    bool GetInt16(std::int16_t& value) {
        if (Remaining() < 2) {
            return false;
        }
        value = static_cast<std::int16_t>(LoadUInt16(FNext));
        FNext += 2;
        return true;
    }
    bool GetInt32(std::int32_t& value) {
        if (Remaining() < 4) {
            return false;
        }
        value = static_cast<std::int32_t>(LoadUInt32(FNext));
        FNext += 4;
        return true;
    }
    bool GetInt64(std::int64_t& value) {
        if (Remaining() < 8) {
            return false;
        }
        value = static_cast<std::int64_t>(LoadUInt64(FNext));
        FNext += 8;
        return true;
    }
    // A view of the next count bytes; count must not exceed Remaining(), negative counts fail.
    bool GetBytes(qint64 count, QByteArrayView& bytes) {
        if (count < 0 || count > Remaining()) {
            return false;
        }
        bytes = QByteArrayView(FNext, count);
        FNext += count;
        return true;
    }
    // The next count bytes without moving, or nullptr when fewer are left; Skip(count) then moves past them.
    const char* Peek(qint64 count) const { return count <= Remaining() ? FNext : nullptr; }
    void Skip(qint64 count) { FNext += count; }

    qint64 Position() const { return FNext - FBegin; }
    qint64 Remaining() const { return FEnd - FNext; }

    // Little-endian loads from bytes the caller knows to be there.
    static std::uint16_t LoadUInt16(const char* p) { return qFromLittleEndian<std::uint16_t>(p); }
    static std::uint32_t LoadUInt32(const char* p) { return qFromLittleEndian<std::uint32_t>(p); }
    static std::uint64_t LoadUInt64(const char* p) { return qFromLittleEndian<std::uint64_t>(p); }

private:
    const char* FBegin;
    const char* FNext;
    const char* FEnd;
};

// An x87 double-extended number as stored: 8 bytes of significand with an explicit integer bit, then the
// sign and the 15-bit exponent (bias 16383), little-endian.
using TExtendedBytes = std::array<std::uint8_t, 10>;

// Writes value as an extended number into tenBytes. Exact: every double, including denormals, infinities and NaNs,
// has an extended equal to it.
void WriteExtended(double value, char* tenBytes);

inline TExtendedBytes ExtendedFromDouble(double value) {
    TExtendedBytes bytes{};
    WriteExtended(value, reinterpret_cast<char*>(bytes.data()));
    return bytes;
}

// DoubleFromExtended worked out step by step for every encoding; DoubleFromExtended leaves it all but the normal
// numbers of the double range: zeros, denormals, infinities, NaNs, encodings the x87 refuses, values beyond.
double DoubleFromUncommonExtended(const char* tenBytes);

// Rounds to the nearest double (ties to even). Values beyond the double range become infinities or zeros;
// encodings the x87 refuses to load (unnormals, pseudo-infinities, pseudo-NaNs) become a quiet NaN.
inline double DoubleFromExtended(const char* tenBytes) {
    // Normal numbers in the double range, what files hold, are converted here: the significand rounds to 53 bits.
    const std::uint64_t significand = TByteReader::LoadUInt64(tenBytes);
    const std::uint16_t signAndExponent = TByteReader::LoadUInt16(tenBytes + 8);
    const unsigned exponent = signAndExponent & 0x7FFFu;
    constexpr unsigned lowest = 16383 - 1022; // the extended exponent of the smallest normal double
    constexpr unsigned highest = 16383 + 1023;
    if ((significand >> 63) == 0 || exponent - lowest > highest - lowest) {
        return DoubleFromUncommonExtended(tenBytes);
    }
    std::uint64_t bits = (std::uint64_t{signAndExponent} >> 15 << 63) | (std::uint64_t{exponent - lowest + 1} << 52) |
                         ((significand << 1) >> 12);
    if (const std::uint64_t dropped = significand & 0x7FF; dropped != 0) {
        // Ties go to the even neighbour: the 11 dropped bits round up from above half, or at half when bits is odd.
        // A carry out of the fraction moves into the exponent field, which is the rounded value there too,
        // infinity included.
        bits += (dropped + 0x3FF + (bits & 1)) >> 11;
    }
    return std::bit_cast<double>(bits);
}
inline double DoubleFromExtended(const TExtendedBytes& bytes) {
    return DoubleFromExtended(reinterpret_cast<const char*>(bytes.data()));
}
