#include "device/hid/report_descriptor.h"

#include <algorithm>
#include <array>

namespace kx58 {
namespace {

// Limits well above any real device, so hostile input stays cheap.
constexpr std::uint32_t kMaxReportBits = 16384 * 8;  // the kernel's largest HID report
constexpr std::size_t kMaxFields = 4096;
constexpr std::size_t kMaxUsageSpans = 512;
constexpr std::size_t kMaxCollectionDepth = 32;
constexpr std::size_t kMaxTopLevelCollections = 255;  // "&colNN" has two hex digits
constexpr std::size_t kMaxPushDepth = 16;

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : std::uint8_t { kInput = 8, kOutput = 9, kCollection = 10, kFeature = 11, kEndCollection = 12 };
enum GlobalTag : std::uint8_t {
    kUsagePage = 0, kLogicalMin = 1, kLogicalMax = 2, kPhysicalMin = 3, kPhysicalMax = 4,
    kReportSize = 7, kReportId = 8, kReportCount = 9, kPush = 10, kPop = 11
};
enum LocalTag : std::uint8_t { kUsage = 0, kUsageMin = 1, kUsageMax = 2 };

struct Item {
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::uint8_t size = 0;
    std::uint32_t data = 0;  // unsigned, little endian
    std::int32_t sdata = 0;  // sign-extended from its size
};

struct GlobalState {
    std::uint16_t usagePage = 0;
    std::int32_t logicalMin = 0;
    std::uint32_t logicalMaxRaw = 0;
    std::int32_t logicalMaxSigned = 0;
    std::int32_t physicalMin = 0;
    std::int32_t physicalMax = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

// A usage as written: 16-bit usages take the usage page in force at the main item.
struct LocalUsage {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool extended = false;
};

struct LocalState {
    std::vector<LocalUsage> usages;
    bool haveMin = false;
    std::uint32_t min = 0;
    bool minExtended = false;
    bool tooMany = false;

    void Add(LocalUsage usage) {
        if (usages.size() >= kMaxUsageSpans) tooMany = true;
        else usages.push_back(usage);
    }
    void Clear() { *this = LocalState{}; }
};

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Run(HidReportDescriptor& out);

private:
    bool NextItem(Item& item);
    bool OnGlobal(const Item& item);
    bool OnLocal(const Item& item);
    bool OnMain(const Item& item);
    bool OnCollection();
    bool OnData(HidReportType type, std::uint32_t flags);
    std::vector<HidUsageSpan> ResolveUsages() const;
    void Finish();

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    GlobalState global_;
    std::vector<GlobalState> pushed_;
    LocalState local_;
    std::vector<std::uint16_t> linkStack_;  // link collection index per open collection
    std::array<std::array<std::uint32_t, 256>, kHidReportTypeCount> bitsPerReport_{};
    HidReportDescriptor* out_ = nullptr;
};

bool Parser::NextItem(Item& item) {
    const std::uint8_t prefix = bytes_[pos_++];
    if (prefix == 0xFE) {  // long item: skipped, none are defined
        if (bytes_.size() - pos_ < 2) return false;
        const std::size_t size = bytes_[pos_];
        pos_ += 2;
        if (bytes_.size() - pos_ < size) return false;
        pos_ += size;
        item = Item{0xFF, 0, 0, 0, 0};
        return true;
    }
    const std::uint8_t sizeCode = prefix & 3;
    item.size = sizeCode == 3 ? 4 : sizeCode;
    item.type = (prefix >> 2) & 3;
    item.tag = prefix >> 4;
    if (bytes_.size() - pos_ < item.size) return false;
    item.data = 0;
    for (std::uint8_t i = 0; i < item.size; ++i) item.data |= std::uint32_t{bytes_[pos_ + i]} << (8 * i);
    pos_ += item.size;
    switch (item.size) {
        case 1: item.sdata = static_cast<std::int8_t>(item.data); break;
        case 2: item.sdata = static_cast<std::int16_t>(item.data); break;
        default: item.sdata = static_cast<std::int32_t>(item.data); break;
    }
    return true;
}

bool Parser::OnGlobal(const Item& item) {
    switch (item.tag) {
        case kUsagePage: global_.usagePage = static_cast<std::uint16_t>(item.data); break;
        case kLogicalMin: global_.logicalMin = item.sdata; break;
        case kLogicalMax:
            global_.logicalMaxRaw = item.data;
            global_.logicalMaxSigned = item.sdata;
            break;
        case kPhysicalMin: global_.physicalMin = item.sdata; break;
        case kPhysicalMax: global_.physicalMax = item.sdata; break;
        case kReportSize: global_.reportSize = item.data; break;
        case kReportCount: global_.reportCount = item.data; break;
        case kReportId:
            if (item.data == 0 || item.data > 255) return false;
            global_.reportId = static_cast<std::uint8_t>(item.data);
            out_->usesReportIds = true;
            break;
        case kPush:
            if (pushed_.size() >= kMaxPushDepth) return false;
            pushed_.push_back(global_);
            break;
        case kPop:
            if (pushed_.empty()) return false;
            global_ = pushed_.back();
            pushed_.pop_back();
            break;
        default: break;  // unit, unit exponent, reserved
    }
    return true;
}

bool Parser::OnLocal(const Item& item) {
    const bool extended = item.size == 4;
    switch (item.tag) {
        case kUsage: local_.Add({item.data, item.data, extended}); break;
        case kUsageMin:
            local_.haveMin = true;
            local_.min = item.data;
            local_.minExtended = extended;
            break;
        case kUsageMax:
            if (local_.haveMin) {
                std::uint32_t lo = local_.min, hi = item.data;
                if (lo > hi) std::swap(lo, hi);
                local_.Add({lo, hi, local_.minExtended || extended});
                local_.haveMin = false;
            }
            break;
        default: break;  // designators, strings, delimiters
    }
    return !local_.tooMany;
}

std::vector<HidUsageSpan> Parser::ResolveUsages() const {
    std::vector<HidUsageSpan> spans;
    spans.reserve(local_.usages.size());
    const std::uint32_t page = std::uint32_t{global_.usagePage} << 16;
    for (const LocalUsage& u : local_.usages) {
        if (u.extended) {
            spans.push_back({u.first, u.last});
        } else {
            // A 16-bit range never crosses into the next page.
            const std::uint32_t lo = u.first & 0xFFFF, hi = std::min<std::uint32_t>(u.last, 0xFFFF);
            spans.push_back({page | lo, page | hi});
        }
    }
    return spans;
}

bool Parser::OnCollection() {
    if (linkStack_.size() >= kMaxCollectionDepth) return false;
    if (linkStack_.empty()) {
        if (out_->collections.size() >= kMaxTopLevelCollections) return false;
        HidTopLevelCollection tlc;
        std::vector<HidUsageSpan> usages = ResolveUsages();
        if (!usages.empty()) {
            tlc.usagePage = static_cast<std::uint16_t>(usages.front().first >> 16);
            tlc.usage = static_cast<std::uint16_t>(usages.front().first);
        } else {
            tlc.usagePage = global_.usagePage;
        }
        out_->collections.push_back(std::move(tlc));
        linkStack_.push_back(0);
        return true;
    }
    HidTopLevelCollection& tlc = out_->collections.back();
    if (tlc.linkCollectionCount == 0xFFFF) return false;
    linkStack_.push_back(tlc.linkCollectionCount++);
    return true;
}

bool Parser::OnData(HidReportType type, std::uint32_t flags) {
    const std::uint64_t bits = std::uint64_t{global_.reportSize} * global_.reportCount;
    std::uint32_t& used = bitsPerReport_[static_cast<int>(type)][global_.reportId];
    if (bits + used > kMaxReportBits) return false;
    if (linkStack_.empty()) return true;  // outside every collection: belongs to nothing
    HidTopLevelCollection& tlc = out_->collections.back();
    std::vector<std::uint8_t>& ids = tlc.reportIds[static_cast<int>(type)];
    if (std::find(ids.begin(), ids.end(), global_.reportId) == ids.end()) ids.push_back(global_.reportId);
    const std::uint32_t offset = used;
    used += static_cast<std::uint32_t>(bits);
    const bool constant = (flags & 1) != 0;
    if (constant || bits == 0) return true;
    if (tlc.fields.size() >= kMaxFields) return false;

    HidField field;
    field.type = type;
    field.reportId = global_.reportId;
    field.linkCollection = linkStack_.back();
    field.isArray = (flags & 2) == 0;
    field.isButton = field.isArray || global_.reportSize == 1;
    field.bitOffset = offset;
    field.bitSize = global_.reportSize;
    field.reportCount = global_.reportCount;
    field.logicalMin = global_.logicalMin;
    // A maximum is signed only when the minimum is negative (0..255 written as one byte 0xFF).
    field.logicalMax = global_.logicalMin < 0 ? std::int64_t{global_.logicalMaxSigned}
                                              : std::int64_t{global_.logicalMaxRaw};
    field.physicalMin = global_.physicalMin;
    field.physicalMax = global_.physicalMax;
    field.usages = ResolveUsages();
    tlc.fields.push_back(std::move(field));
    return true;
}

bool Parser::OnMain(const Item& item) {
    bool ok = true;
    switch (item.tag) {
        case kInput: ok = OnData(HidReportType::Input, item.data); break;
        case kOutput: ok = OnData(HidReportType::Output, item.data); break;
        case kFeature: ok = OnData(HidReportType::Feature, item.data); break;
        case kCollection: ok = OnCollection(); break;
        case kEndCollection:
            if (linkStack_.empty()) return false;
            linkStack_.pop_back();
            break;
        default: break;
    }
    local_.Clear();
    return ok;
}

void Parser::Finish() {
    for (HidTopLevelCollection& tlc : out_->collections) {
        for (int t = 0; t < kHidReportTypeCount; ++t) {
            std::sort(tlc.reportIds[t].begin(), tlc.reportIds[t].end());
            std::uint32_t longest = 0;
            // A listed report is on the wire even when its fields hold no bits: its id byte.
            for (std::uint8_t id : tlc.reportIds[t])
                longest = std::max(longest, 1 + (bitsPerReport_[t][id] + 7) / 8);
            tlc.reportByteLength[t] = static_cast<std::uint16_t>(longest);
        }
    }
}

bool Parser::Run(HidReportDescriptor& out) {
    out_ = &out;
    out = HidReportDescriptor{};
    bool ok = true;
    while (ok && pos_ < bytes_.size()) {
        Item item;
        ok = NextItem(item);
        if (!ok) break;
        if (item.type == kGlobal) ok = OnGlobal(item);
        else if (item.type == kLocal) ok = OnLocal(item);
        else if (item.type == kMain) ok = OnMain(item);
    }
    if (!ok || !linkStack_.empty()) {
        out = HidReportDescriptor{};
        return false;
    }
    Finish();
    return true;
}

}  // namespace

std::uint32_t HidField::UsageCount() const {
    std::uint64_t count = 0;
    for (const HidUsageSpan& s : usages) count += std::uint64_t{s.last} - s.first + 1;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFFFFFFu));
}

std::uint32_t HidField::UsageAt(std::uint32_t index) const {
    if (usages.empty()) return 0;
    std::uint64_t remaining = index;
    for (const HidUsageSpan& s : usages) {
        const std::uint64_t size = std::uint64_t{s.last} - s.first + 1;
        if (remaining < size) return s.first + static_cast<std::uint32_t>(remaining);
        remaining -= size;
    }
    return usages.back().last;
}

bool HidTopLevelCollection::HasReportId(HidReportType type, std::uint8_t id) const {
    const std::vector<std::uint8_t>& ids = reportIds[static_cast<int>(type)];
    return std::binary_search(ids.begin(), ids.end(), id);
}

bool ParseReportDescriptor(std::span<const std::uint8_t> bytes, HidReportDescriptor& out) {
    Parser parser(bytes);
    return parser.Run(out);
}

}  // namespace kx58
