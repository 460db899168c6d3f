#include "app/DialogWindowType.h"

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace signseek {

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (reply == nullptr) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

void SetDialogTypeOnly(xcb_connection_t* connection, xcb_window_t window)
{
    const xcb_atom_t type = Atom(connection, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dialog = Atom(connection, "_NET_WM_WINDOW_TYPE_DIALOG");
    if (type == XCB_ATOM_NONE || dialog == XCB_ATOM_NONE) return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, type, XCB_ATOM_ATOM, 32, 1, &dialog);
    xcb_flush(connection);
}

// The show event comes after the native window is made and before it is
// mapped.
class DialogTypeKeeper : public QObject {
public:
    explicit DialogTypeKeeper(QWidget& dialog) : QObject(&dialog), m_dialog(dialog) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched != &m_dialog || e->type() != QEvent::Show) return false;
        auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (x11 == nullptr || x11->connection() == nullptr || !m_dialog.isWindow()) return false;
        SetDialogTypeOnly(x11->connection(), static_cast<xcb_window_t>(m_dialog.winId()));
        return false;
    }

private:
    QWidget& m_dialog;
};

}  // namespace

void KeepDialogWindowType(QWidget& dialog) { dialog.installEventFilter(new DialogTypeKeeper(dialog)); }

}  // namespace signseek
