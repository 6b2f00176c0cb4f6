#include "uikit/scaled_image_cache.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <tuple>

namespace kx58::ui {
namespace {

// A page's picture at 150 % is about 1.5 MB; the budget holds the pictures of a page and the
// controls' states, and the oldest part goes first.
constexpr std::size_t kMaxPartBytes = 3u << 20;
constexpr std::size_t kBudgetBytes = 12u << 20;

// What a kept part is like: the image, its part, the size drawn, the kind of target.
using PartKey = std::tuple<cairo_surface_t*, int, int, int, int, int, int, cairo_surface_type_t, cairo_device_t*>;

struct KeptPart {
    cairo_surface_t* surface;
    std::size_t bytes;
    std::uint64_t lastUse;
};

class ScaledPartCache {
public:
    static ScaledPartCache& Instance() {
        // Never destroyed: its surfaces may belong to a display closed before static teardown.
        static auto* cache = new ScaledPartCache;
        return *cache;
    }

    cairo_surface_t* Get(cairo_surface_t* target, cairo_surface_t* image, const RECT& src, int width, int height) {
        const PartKey key{image, src.left, src.top, src.right, src.bottom, width, height,
                         cairo_surface_get_type(target), cairo_surface_get_device(target)};
        std::lock_guard lock(mutex_);
        if (auto it = parts_.find(key); it != parts_.end()) {
            it->second.lastUse = ++uses_;
            return cairo_surface_reference(it->second.surface);
        }
        const std::size_t bytes = PartBytes(target, width, height);
        if (bytes > kMaxPartBytes) return nullptr;
        cairo_surface_t* surface = Render(target, image, src, width, height);
        if (!surface) return nullptr;
        MakeRoom(bytes);
        parts_.emplace(key, KeptPart{surface, bytes, ++uses_});
        bytes_ += bytes;
        return cairo_surface_reference(surface);
    }

    void Clear() {
        std::lock_guard lock(mutex_);
        for (auto& [key, part] : parts_) cairo_surface_destroy(part.surface);
        parts_.clear();
        bytes_ = 0;
    }

private:
    // A target with a device scale (HiDPI Wayland) makes parts with as many pixels more.
    static std::size_t PartBytes(cairo_surface_t* target, int width, int height) {
        double sx = 1, sy = 1;
        cairo_surface_get_device_scale(target, &sx, &sy);
        return static_cast<std::size_t>(width * sx) * static_cast<std::size_t>(height * sy) * 4;
    }

    static cairo_surface_t* Render(cairo_surface_t* target, cairo_surface_t* image, const RECT& src, int width,
                                   int height) {
        cairo_surface_t* surface = cairo_surface_create_similar(target, CAIRO_CONTENT_COLOR_ALPHA, width, height);
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(surface);
            return nullptr;
        }
        cairo_t* cr = cairo_create(surface);
        cairo_scale(cr, double(width) / src.Width(), double(height) / src.Height());
        // A view of just this part, so filtering at its edges never samples the neighbours.
        cairo_surface_t* view = cairo_surface_create_for_rectangle(image, src.left, src.top, src.Width(), src.Height());
        cairo_set_source_surface(cr, view, 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        cairo_destroy(cr);
        cairo_surface_destroy(view);
        if (ok) return surface;
        cairo_surface_destroy(surface);
        return nullptr;
    }

    void MakeRoom(std::size_t bytes) {
        while (!parts_.empty() && bytes_ + bytes > kBudgetBytes) {
            auto oldest = std::min_element(parts_.begin(), parts_.end(), [](const auto& a, const auto& b) {
                return a.second.lastUse < b.second.lastUse;
            });
            bytes_ -= oldest->second.bytes;
            cairo_surface_destroy(oldest->second.surface);
            parts_.erase(oldest);
        }
    }

    std::mutex mutex_;
    std::map<PartKey, KeptPart> parts_;
    std::size_t bytes_ = 0;
    std::uint64_t uses_ = 0;
};

}  // namespace

cairo_surface_t* ScaledImagePart(cairo_surface_t* target, cairo_surface_t* image, const RECT& src, int width,
                                 int height) {
    if (!target || !image || src.IsEmpty() || width <= 0 || height <= 0) return nullptr;
    return ScaledPartCache::Instance().Get(target, image, src, width, height);
}

void ClearScaledImageParts() { ScaledPartCache::Instance().Clear(); }

}  // namespace kx58::ui
