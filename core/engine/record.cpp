// The picture record's bytes: a body of little-endian fields, then a fixed
// trailer (body length, CRC-32, version, magic) that lets a reader find the
// record from the file's end without knowing anything of the bitmap before it.
#include "core/engine/record.h"

#include "core/engine/setimage.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/engine/region.h"

namespace {

constexpr char kMagic[8] = {'T', 'N', 'D', 'R', 'L', 'R', 'E', 'C'};
// Version 2 adds the exact region, written whenever the parameters carry
// one that holds (RecordedParams keeps it only for a picture computed from
// it); every other picture is written as version 1, as it always was.
constexpr std::uint16_t kVersion = 1;
constexpr std::uint16_t kExactVersion = 2;
constexpr std::size_t kTrailerBytes = 4 + 4 + 2 + sizeof kMagic;
// width, height, four corners, limit, exponent, noise, seed, map entry count.
constexpr std::size_t kFixedBodyBytes = 4 + 4 + 4 * 8 + 4 + 8 + 8 + 4 + 4;
// The exact region: its kind, then three or four numbers, each a 2-byte length and its characters.
constexpr std::size_t kLargestRegion = 1 + 4 * (2 + kMaxDecimalLength);
constexpr std::size_t kLargestBody = kFixedBodyBytes + kMaxIterations + 1 + kLargestRegion;

using Bytes = std::vector<BYTE>;

// zlib's CRC-32, the one PNG chunks carry; a body is far below uInt's range.
std::uint32_t Crc32(const BYTE* data, std::size_t size) {
    return static_cast<std::uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
}

void Put(Bytes& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}
void PutDouble(Bytes& out, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Put(out, bits, 8);
}

class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : m_p(data), m_end(data + size) {}
    bool Get(std::uint64_t* value, int bytes) {
        if (m_end - m_p < bytes) return false;
        *value = 0;
        for (int i = bytes - 1; i >= 0; --i) *value = *value << 8 | m_p[i];
        m_p += bytes;
        return true;
    }
    bool Int(int* value) {
        std::uint64_t v = 0;
        if (!Get(&v, 4)) return false;
        *value = static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        return true;
    }
    bool Double(double* value) {
        std::uint64_t bits = 0;
        if (!Get(&bits, 8)) return false;
        std::memcpy(value, &bits, sizeof bits);
        return true;
    }
    std::size_t Left() const { return static_cast<std::size_t>(m_end - m_p); }
    void Skip(std::size_t bytes) { m_p += bytes; }
    const BYTE* At() const { return m_p; }

private:
    const BYTE* m_p;
    const BYTE* m_end;
};

bool Finite(const SearchRect& r) {
    return std::isfinite(r.upperLeft.re) && std::isfinite(r.upperLeft.im) && std::isfinite(r.lowerRight.re) &&
           std::isfinite(r.lowerRight.im);
}

std::vector<const std::string*> RegionNumbers(const ExactRegion& r) {
    if (r.kind == ExactRegion::Kind::Centre) return {&r.a, &r.b, &r.c};
    return {&r.a, &r.b, &r.c, &r.d};
}

// The body of a record and its version, or false when the record cannot be held.
bool EncodeBody(const PictureRecord& record, Bytes* body, std::uint16_t* version) {
    const PictureParams& p = record.params;
    if (p.width < 1 || p.width > kMaxImageSide || p.height < 1 || p.height > kMaxImageSide) return false;
    if (p.iterations < kMinIterations || p.iterations > kMaxIterations) return false;
    if (!Finite(p.rect) || !std::isfinite(p.exponent) || !std::isfinite(p.noise)) return false;
    const std::size_t entries = record.hasColorMap ? record.colorMap.size() : 0;
    if (record.hasColorMap && (entries == 0 || entries > static_cast<std::size_t>(kMaxIterations) + 1)) return false;
    for (std::size_t i = 0; i < entries; ++i)
        if (record.colorMap[i] < 0 || record.colorMap[i] > 255) return false;

    // Without noise the seed changes nothing, and -0 is no noise either.
    const bool noisy = p.noise != 0.0;
    body->clear();
    Put(*body, static_cast<std::uint32_t>(p.width), 4);
    Put(*body, static_cast<std::uint32_t>(p.height), 4);
    for (double v : {p.rect.upperLeft.re, p.rect.upperLeft.im, p.rect.lowerRight.re, p.rect.lowerRight.im})
        PutDouble(*body, v);
    Put(*body, static_cast<std::uint32_t>(p.iterations), 4);
    PutDouble(*body, p.exponent);
    PutDouble(*body, noisy ? p.noise : 0.0);
    Put(*body, noisy ? p.seed : 0u, 4);
    Put(*body, entries, 4);
    for (std::size_t i = 0; i < entries; ++i) body->push_back(static_cast<BYTE>(record.colorMap[i]));
    *version = kVersion;
    if (const ExactRegion* exact = ExactRegionOf(p)) {
        const ExactRegion& region = *exact;
        body->push_back(region.kind == ExactRegion::Kind::Centre ? 1 : 0);
        for (const std::string* number : RegionNumbers(region)) {
            Put(*body, number->size(), 2);
            body->insert(body->end(), number->begin(), number->end());
        }
        *version = kExactVersion;
    }
    return true;
}

// Only a body the writer would write again byte for byte is taken.
bool DecodeBody(const Bytes& body, std::uint16_t version, PictureRecord* record) {
    PictureRecord r;
    PictureParams& p = r.params;
    Reader in(body.data(), body.size());
    std::uint64_t seed = 0, entries = 0;
    if (!in.Int(&p.width) || !in.Int(&p.height) || !in.Double(&p.rect.upperLeft.re) ||
        !in.Double(&p.rect.upperLeft.im) || !in.Double(&p.rect.lowerRight.re) || !in.Double(&p.rect.lowerRight.im) ||
        !in.Int(&p.iterations) || !in.Double(&p.exponent) || !in.Double(&p.noise) || !in.Get(&seed, 4) ||
        !in.Get(&entries, 4) || in.Left() < entries || (version == kVersion && in.Left() != entries))
        return false;
    p.seed = static_cast<unsigned>(seed);
    r.hasColorMap = entries != 0;
    r.colorMap.assign(in.At(), in.At() + entries);
    if (version == kExactVersion) {
        const std::size_t mapBytes = static_cast<std::size_t>(entries);
        Reader region(in.At() + mapBytes, in.Left() - mapBytes);
        std::uint64_t kind = 0;
        if (!region.Get(&kind, 1) || kind > 1) return false;
        ExactRegion exact;
        exact.kind = kind == 1 ? ExactRegion::Kind::Centre : ExactRegion::Kind::Corners;
        for (std::string* number : {&exact.a, &exact.b, &exact.c, &exact.d}) {
            if (exact.kind == ExactRegion::Kind::Centre && number == &exact.d) break;
            std::uint64_t length = 0;
            if (!region.Get(&length, 2) || length > kMaxDecimalLength || region.Left() < length) return false;
            number->assign(reinterpret_cast<const char*>(region.At()), static_cast<std::size_t>(length));
            region.Skip(static_cast<std::size_t>(length));
        }
        if (region.Left() != 0 || !IsSoundRegion(exact)) return false;
        p.exact = std::make_shared<const ExactRegion>(std::move(exact));
    }
    Bytes again;
    std::uint16_t againVersion = 0;
    if (!EncodeBody(r, &again, &againVersion) || again != body || againVersion != version) return false;
    *record = std::move(r);
    return true;
}

}  // namespace

bool PictureRecordBytes(const PictureRecord& record, std::vector<BYTE>* out) {
    Bytes bytes;
    std::uint16_t version = 0;
    if (!EncodeBody(record, &bytes, &version)) return false;
    const std::size_t bodyBytes = bytes.size();
    Put(bytes, bodyBytes, 4);
    Put(bytes, Crc32(bytes.data(), bodyBytes), 4);
    Put(bytes, version, 2);
    bytes.insert(bytes.end(), kMagic, kMagic + sizeof kMagic);
    *out = std::move(bytes);
    return true;
}

RecordState ParsePictureRecord(const BYTE* data, std::size_t size, PictureRecord* record) {
    if (size < kTrailerBytes) return RecordState::None;
    const BYTE* trailer = data + size - kTrailerBytes;
    if (std::memcmp(trailer + 10, kMagic, sizeof kMagic) != 0) return RecordState::None;
    Reader fields(trailer, 10);
    std::uint64_t bodyBytes = 0, crc = 0, version = 0;
    fields.Get(&bodyBytes, 4);
    fields.Get(&crc, 4);
    fields.Get(&version, 2);
    if (version != kVersion && version != kExactVersion) return RecordState::UnknownVersion;
    if (bodyBytes < kFixedBodyBytes || bodyBytes > kLargestBody || bodyBytes != size - kTrailerBytes)
        return RecordState::Damaged;
    const Bytes body(data, data + bodyBytes);
    if (Crc32(body.data(), body.size()) != crc) return RecordState::Damaged;
    return DecodeBody(body, static_cast<std::uint16_t>(version), record) ? RecordState::Found : RecordState::Damaged;
}

bool WritePictureFile(CFile* file, const CDIB& dib, const PictureRecord& record) {
    Bytes bytes;
    if (!PictureRecordBytes(record, &bytes)) return false;
    if (record.params.width != dib.ImageWidth() || record.params.height != dib.ImageHeight()) return false;
    if (!dib.WriteBitmap(file)) return false;
    file->Write(bytes.data(), static_cast<UINT>(bytes.size()));
    return true;
}

RecordState FindPictureRecord(CFile* file, PictureRecord* record) {
    const std::uint64_t position = file->GetPosition();
    const std::uint64_t length = file->GetLength();
    struct Restore {
        CFile* file;
        std::uint64_t position;
        ~Restore() {
            try {
                file->Seek(position);
            } catch (const CFileException&) {
            }
        }
    } restore{file, position};

    if (length < kTrailerBytes) return RecordState::None;
    BYTE trailer[kTrailerBytes];
    file->Seek(length - kTrailerBytes);
    if (file->Read(trailer, sizeof trailer) != sizeof trailer) return RecordState::None;
    if (std::memcmp(trailer + 10, kMagic, sizeof kMagic) != 0) return RecordState::None;
    Reader fields(trailer, 4);
    std::uint64_t bodyBytes = 0;
    fields.Get(&bodyBytes, 4);
    // A length that cannot be the body's leaves the trailer alone, which the
    // parser then calls damaged or of an unknown version.
    if (bodyBytes < kFixedBodyBytes || bodyBytes > kLargestBody || bodyBytes > length - kTrailerBytes) bodyBytes = 0;
    Bytes bytes(static_cast<std::size_t>(bodyBytes) + kTrailerBytes);
    file->Seek(length - bytes.size());
    if (file->Read(bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size()) return RecordState::Damaged;
    return ParsePictureRecord(bytes.data(), bytes.size(), record);
}

bool ReadPictureRecord(CFile* file, PictureRecord* record) {
    try {
        return FindPictureRecord(file, record) == RecordState::Found;
    } catch (const CFileException&) {
        return false;
    }
}

bool RecordDescribesBitmap(const PictureRecord& record, const CDIB& dib, std::string* why) {
    const BITMAPINFO* info = dib.Info();
    if (!info) {
        *why = "no bitmap";
        return false;
    }
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const PictureParams& p = record.params;
    const auto size = [](long long across, long long up) {
        return std::to_string(across) + "\u00d7" + std::to_string(up);
    };
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 8 || h.biCompression != 0) {
        *why = "a " + std::to_string(h.biBitCount) + "-bit bitmap of another kind than Tindral writes";
        return false;
    }
    if (h.biHeight < 0) {
        *why = "a top-down bitmap";
        return false;
    }
    if (h.biWidth != p.width || h.biHeight != p.height) {
        *why = size(h.biWidth, h.biHeight) + " pixels, record " + size(p.width, p.height);
        return false;
    }
    const bool reservedBlack = std::all_of(info->bmiColors + kPictureColors, info->bmiColors + 256, [](RGBQUAD q) {
        return q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0 && q.rgbReserved == 0;
    });
    if (HeaderColorCount(&h) != 256 || !reservedBlack) {
        *why = "a colour table of " + std::to_string(HeaderColorCount(&h)) + " entries unlike the one Tindral writes";
        return false;
    }
    if (record.hasColorMap && record.colorMap.size() != static_cast<std::size_t>(p.iterations) + 1) {
        *why = "a colour map of " + std::to_string(record.colorMap.size()) + " entries for the iteration limit " +
               std::to_string(p.iterations);
        return false;
    }
    return true;
}

bool LooksLikeRecordRemains(const BYTE* tail, std::size_t size, int width, int height) {
    if (size == 0) return false;
    BYTE start[8];
    for (int i = 0; i < 4; ++i) {
        start[i] = static_cast<BYTE>(static_cast<std::uint32_t>(width) >> (8 * i));
        start[4 + i] = static_cast<BYTE>(static_cast<std::uint32_t>(height) >> (8 * i));
    }
    // Four bytes or more of the body's first fields: a record cut anywhere
    // after its width.
    if (size >= 4 && std::memcmp(tail, start, std::min<std::size_t>(size, sizeof start)) == 0) return true;
    if (std::search(tail, tail + size, kMagic, kMagic + sizeof kMagic) != tail + size) return true;
    // The magic's first bytes ending the file: a trailer cut short.
    for (std::size_t n = std::min(size, sizeof kMagic - 1); n >= 4; --n)
        if (std::memcmp(tail + size - n, kMagic, n) == 0) return true;
    return false;
}

std::size_t LargestRecordBytes() {
    return kLargestBody + kTrailerBytes;
}
