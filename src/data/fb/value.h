#pragma once

#include <QMetaType>

#include <cstdint>

namespace tirelon::fb {

// The id of a blob as fetched with its row; its bytes are read on demand.
struct BlobId {
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    friend bool operator==(const BlobId&, const BlobId&) = default;
};

} // namespace tirelon::fb

Q_DECLARE_METATYPE(tirelon::fb::BlobId)
