#pragma once
// The backend that puts windows on a GTK 3 desktop: undecorated top-level windows painted
// with cairo, input translated to window messages, and the thread's message queue (posts,
// cross-thread sends, timers) driven from inside the GTK main loop so that it keeps running
// while a modal window or a menu runs a nested loop.
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "uikit/window_backend.h"

namespace kx58::ui {

class GtkBackendWindow;

class GtkBackend : public IWindowBackend {
public:
    // Opens the display; nullptr (and `error` set) when GTK cannot start.
    static std::unique_ptr<GtkBackend> Create(std::string& error);
    ~GtkBackend() override;

    std::string Name() const override { return "gtk"; }
    std::unique_ptr<IBackendWindow> CreateBackendWindow(IWindowHost* host,
                                                        const WindowCreateParams& params) override;
    int RunLoop() override;
    bool RunModalLoop(const std::function<bool()>& done) override;
    POINT GetCursorPos() const override;
    std::string GetClipboardText() const override;
    void SetClipboardText(const std::string& text) override;

    // GTK may only be used from the thread that opened the display.
    bool OnOwnThread() const { return std::this_thread::get_id() == m_thread; }
    // The window of a message window handle, or nullptr.
    GtkBackendWindow* FindWindow(HWND hwnd) const;
    // Runs one turn of the GTK loop without blocking (tests and start-up waits).
    static void Pump();

private:
    friend class GtkBackendWindow;
    GtkBackend();
    void Register(GtkBackendWindow* window);
    void Unregister(GtkBackendWindow* window);
    void NoteShown(GtkBackendWindow* window) { m_lastShown = window; }
    std::vector<HWND> TopLevelHandles() const;

public:

    struct QueueSource;

private:
    std::thread::id m_thread = std::this_thread::get_id();
    QueueSource* m_source = nullptr;
    std::shared_ptr<MessageQueue> m_queue;
    std::vector<GtkBackendWindow*> m_windows;
    GtkBackendWindow* m_lastShown = nullptr;
};

}  // namespace kx58::ui
