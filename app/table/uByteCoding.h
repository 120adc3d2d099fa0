#pragma once

// Little-endian byte coding for the table file: an appending writer, a bounds-checked reader that never reads
// past its end, and the exact conversion between doubles and the 80-bit extended numbers the file stores.

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>

// Appends little-endian values to a byte array.
class TByteWriter {
public:
    void PutByte(std::uint8_t value) { FBytes.append(static_cast<char>(value)); }
    void PutInt16(std::int16_t value);
    void PutInt32(std::int32_t value);
    void PutBytes(QByteArrayView bytes) { FBytes.append(bytes); }

    const QByteArray& Bytes() const { return FBytes; }
    QByteArray TakeBytes() { return std::move(FBytes); }

private:
    QByteArray FBytes;
};

// Reads little-endian values from a byte view. Every getter advances the position on success and returns
// false, leaving the position where it was, when the view holds too few bytes.
class TByteReader {
public:
    explicit TByteReader(QByteArrayView bytes) : FBytes(bytes) {}

    bool PeekByte(std::uint8_t& value) const {
        if (Remaining() < 1) {
            return false;
        }
        value = At(0);
        return true;
    }
    bool GetByte(std::uint8_t& value) {
        if (!PeekByte(value)) {
            return false;
        }
        ++FPosition;
        return true;
    }
    bool GetInt8(std::int8_t& value) {
        std::uint8_t byte = 0;
        if (!GetByte(byte)) {
            return false;
        }
        value = static_cast<std::int8_t>(byte);
        return true;
    }
    bool GetInt16(std::int16_t& value) {
        if (Remaining() < 2) {
            return false;
        }
        value = static_cast<std::int16_t>(static_cast<std::uint16_t>(At(0) | (At(1) << 8)));
        FPosition += 2;
        return true;
    }
    bool GetInt32(std::int32_t& value) {
        if (Remaining() < 4) {
            return false;
        }
        value = static_cast<std::int32_t>(LoadUInt32(FBytes.data() + FPosition));
        FPosition += 4;
        return true;
    }
    bool GetInt64(std::int64_t& value) {
        if (Remaining() < 8) {
            return false;
        }
        value = static_cast<std::int64_t>(LoadUInt64(FBytes.data() + FPosition));
        FPosition += 8;
        return true;
    }
    // A view of the next count bytes; count must not exceed Remaining(), negative counts fail.
    bool GetBytes(qint64 count, QByteArrayView& bytes) {
        if (count < 0 || count > Remaining()) {
            return false;
        }
        bytes = FBytes.sliced(FPosition, count);
        FPosition += count;
        return true;
    }

    qint64 Position() const { return FPosition; }
    qint64 Remaining() const { return FBytes.size() - FPosition; }

    // Little-endian loads from bytes the caller knows to be there.
    static std::uint32_t LoadUInt32(const char* p) {
        const auto* b = reinterpret_cast<const unsigned char*>(p);
        return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
               (std::uint32_t{b[3]} << 24);
    }
    static std::uint64_t LoadUInt64(const char* p) {
        return std::uint64_t{LoadUInt32(p)} | (std::uint64_t{LoadUInt32(p + 4)} << 32);
    }

private:
    std::uint8_t At(qint64 offset) const { return static_cast<std::uint8_t>(FBytes[FPosition + offset]); }

    QByteArrayView FBytes;
    qint64 FPosition = 0;
};

// An x87 double-extended number as stored: 8 bytes of significand with an explicit integer bit, then the
// sign and the 15-bit exponent (bias 16383), little-endian.
using TExtendedBytes = std::array<std::uint8_t, 10>;

// Exact: every double, including denormals, infinities and NaNs, has an extended equal to it.
TExtendedBytes ExtendedFromDouble(double value);

// Rounds to the nearest double (ties to even). Values beyond the double range become infinities or zeros;
// encodings the x87 refuses to load (unnormals, pseudo-infinities, pseudo-NaNs) become a quiet NaN.
double DoubleFromExtended(const char* tenBytes);
inline double DoubleFromExtended(const TExtendedBytes& bytes) {
    return DoubleFromExtended(reinterpret_cast<const char*>(bytes.data()));
}
