#include "uikit/headless_backend.h"

#include <algorithm>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "platform/tick.h"

namespace kx58::ui {

namespace {

constexpr int kMaxIdlePasses = 10000;

std::shared_ptr<MessageQueue> Queue() { return MessageQueue::ForCurrentThread(); }

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessBackend* backend, IWindowHost* host, const WindowCreateParams& params)
    : m_backend(backend),
      m_host(host),
      m_title(params.title),
      m_className(params.className),
      m_rect(params.rect),
      m_topmost(params.topmost),
      m_thread(std::this_thread::get_id()) {
    m_rect.right = m_rect.left + std::clamp(m_rect.Width(), 1, kMaxWindowPixels);
    m_rect.bottom = m_rect.top + std::clamp(m_rect.Height(), 1, kMaxWindowPixels);
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, m_rect.Width(), m_rect.Height());
    m_backend->Register(this);
}

HeadlessWindow::~HeadlessWindow() {
    m_backend->Unregister(this);
    cairo_surface_destroy(m_surface);
}

void HeadlessWindow::Show(bool show, bool /*activate*/) {
    if (m_visible == show) return;
    m_visible = show;
    if (show) {
        m_minimized = false;
        Invalidate(RECT{0, 0, m_rect.Width(), m_rect.Height()});
    }
    Deliver(WM_SHOWWINDOW, show ? 1 : 0, 0);
}

void HeadlessWindow::Move(int x, int y) {
    m_rect = OffsetRectBy(m_rect, x - m_rect.left, y - m_rect.top);
    Deliver(WM_MOVE, 0, MakeLParam(x, y));
}

void HeadlessWindow::Resize(int cx, int cy) {
    cx = std::clamp(cx, 1, kMaxWindowPixels);
    cy = std::clamp(cy, 1, kMaxWindowPixels);
    if (cx == m_rect.Width() && cy == m_rect.Height()) return;
    m_rect.right = m_rect.left + cx;
    m_rect.bottom = m_rect.top + cy;
    cairo_surface_destroy(m_surface);
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cx, cy);
    m_dirty = RECT{0, 0, cx, cy};
    Deliver(WM_SIZE, 0, MakeLParam(cx, cy));
}

void HeadlessWindow::Invalidate(const RECT& rc) {
    const RECT clipped = IntersectRects(rc, RECT{0, 0, m_rect.Width(), m_rect.Height()});
    m_dirty = UnionRects(m_dirty, clipped);
}

int HeadlessWindow::GetMonitorDpi() const { return m_backend->MonitorDpi(); }
RECT HeadlessWindow::GetMonitorRect() const { return m_backend->MonitorRect(); }

RECT HeadlessWindow::Flush() {
    const RECT dirty = m_dirty;
    if (dirty.IsEmpty()) return RECT{};
    m_dirty = RECT{};
    cairo_t* cr = cairo_create(m_surface);
    cairo_rectangle(cr, dirty.left, dirty.top, dirty.Width(), dirty.Height());
    cairo_clip(cr);
    // What the controls do not cover stays transparent, as a layered window would be.
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    m_host->OnBackendPaint(cr, dirty);
    cairo_destroy(cr);
    cairo_surface_flush(m_surface);
    ++m_paintCount;
    return dirty;
}

DWORD HeadlessWindow::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(m_surface) ||
        y >= cairo_image_surface_get_height(m_surface))
        return 0;
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    const std::uint32_t premultiplied = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
    const DWORD alpha = premultiplied >> 24;
    if (alpha == 0) return 0;
    auto channel = [&](int shift) {
        const DWORD value = (premultiplied >> shift) & 0xFF;
        return std::min<DWORD>(255, (value * 255 + alpha / 2) / alpha);
    };
    return (alpha << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

bool HeadlessWindow::SavePng(const std::string& path) {
    Flush();
    const cairo_status_t status = cairo_surface_write_to_png(m_surface, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        DebugTraceF("uikit: cannot write %s: %s", path.c_str(), cairo_status_to_string(status));
        return false;
    }
    return true;
}

LRESULT HeadlessWindow::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_host->OnBackendMessage(message, wParam, lParam);
}

HeadlessBackend::HeadlessBackend() = default;
HeadlessBackend::~HeadlessBackend() = default;

HeadlessBackend* HeadlessBackend::Get() { return dynamic_cast<HeadlessBackend*>(&CurrentBackend()); }

std::unique_ptr<IBackendWindow> HeadlessBackend::CreateBackendWindow(IWindowHost* host,
                                                                     const WindowCreateParams& params) {
    return std::make_unique<HeadlessWindow>(this, host, params);
}

void HeadlessBackend::Register(HeadlessWindow* window) {
    std::lock_guard lock(m_mutex);
    m_windows.push_back(window);
}

void HeadlessBackend::Unregister(HeadlessWindow* window) {
    std::lock_guard lock(m_mutex);
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
}

std::vector<HeadlessWindow*> HeadlessBackend::Windows() const {
    std::lock_guard lock(m_mutex);
    std::vector<HeadlessWindow*> mine;
    for (HeadlessWindow* window : m_windows)
        if (window->Thread() == std::this_thread::get_id()) mine.push_back(window);
    return mine;
}

HeadlessWindow* HeadlessBackend::FindWindowByClass(const std::string& className) const {
    for (HeadlessWindow* window : Windows())
        if (window->ClassName() == className) return window;
    return nullptr;
}

void HeadlessBackend::SetMonitor(RECT rect, int dpi) {
    std::lock_guard lock(m_mutex);
    m_monitor = rect;
    m_dpi = dpi;
}

POINT HeadlessBackend::GetCursorPos() const {
    std::lock_guard lock(m_mutex);
    return m_cursor;
}

void HeadlessBackend::SetCursorPos(POINT pt) {
    std::lock_guard lock(m_mutex);
    m_cursor = pt;
}

std::string HeadlessBackend::GetClipboardText() const {
    std::lock_guard lock(m_mutex);
    return m_clipboard;
}

void HeadlessBackend::SetClipboardText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_clipboard = text;
}

int HeadlessBackend::MonitorDpi() const {
    std::lock_guard lock(m_mutex);
    return m_dpi;
}

RECT HeadlessBackend::MonitorRect() const {
    std::lock_guard lock(m_mutex);
    return m_monitor;
}

void HeadlessBackend::PaintThreadWindows() {
    // Painting may close windows (a paint never should, but a window list copy is cheap).
    for (HeadlessWindow* window : Windows()) {
        if (window->IsVisible()) window->Flush();
    }
}

void HeadlessBackend::PostIdleAction(std::function<void()> action) {
    std::lock_guard lock(m_mutex);
    m_idleActions.emplace_back(std::this_thread::get_id(), std::move(action));
}

bool HeadlessBackend::RunOneIdleAction() {
    std::function<void()> action;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_idleActions.begin(), m_idleActions.end(),
                               [](const auto& entry) { return entry.first == std::this_thread::get_id(); });
        if (it == m_idleActions.end()) return false;
        action = std::move(it->second);
        m_idleActions.erase(it);
    }
    action();
    return true;
}

void HeadlessBackend::RunUntilIdle() {
    auto queue = Queue();
    for (int pass = 0; pass < kMaxIdlePasses; ++pass) {
        if (!queue->DispatchPending()) return;  // a quit is pending; the loop that owns it ends
        PaintThreadWindows();
        const auto due = queue->NextTimerDueMs();
        const bool timerDue = due && *due == 0;
        if (!timerDue && !queue->WaitForWork(0)) return;
    }
    DebugTrace("uikit: headless loop still busy after many passes (a timer of 0 ms?)");
}

bool HeadlessBackend::RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
    const std::uint64_t deadline = TickCount64() + timeoutMs;
    auto queue = Queue();
    for (;;) {
        RunUntilIdle();
        if (done()) return true;
        if (RunOneIdleAction()) continue;
        const std::uint64_t now = TickCount64();
        if (now >= deadline) return false;
        queue->WaitForWork(static_cast<std::uint32_t>(std::min<std::uint64_t>(deadline - now, 50)));
    }
}

bool HeadlessBackend::LoopTurn(const std::function<bool()>& done, bool& quit) {
    auto queue = Queue();
    if (!queue->DispatchPending()) {
        quit = true;
        return true;
    }
    PaintThreadWindows();
    if (done()) return true;
    if (RunOneIdleAction()) return false;
    // Nothing to do: sleep until a message, a timer or (bounded) an idle action arrives.
    queue->WaitForWork(50);
    return false;
}

int HeadlessBackend::RunLoop() {
    bool quit = false;
    while (!LoopTurn([] { return false; }, quit)) {}
    return Queue()->TakeQuitCode().value_or(0);
}

bool HeadlessBackend::RunModalLoop(const std::function<bool()>& done) {
    bool quit = false;
    while (!LoopTurn(done, quit)) {}
    return !quit;
}

}  // namespace kx58::ui
