#pragma once

#include <QFrame>

class CMainFrame;

// The hint in the main window's empty area while table GEO has no rows: where the places come
// from, two buttons to get them ("Postleitzahlen herunterladen...", "Postleitzahlen
// importieren...") and the attribution the GeoNames data requires. It stays centred in the
// window area, beneath any document window.
class CFirstStartHint : public QFrame {
    Q_OBJECT
public:
    explicit CFirstStartHint(CMainFrame& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Centre();
};
