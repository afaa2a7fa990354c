// The zoom level beside the zoom buttons and the reset key Ctrl+0.
#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>

#include "navigation/NavigationMath.h"
#include "output/Zoom.h"

namespace {

QString LevelCaption(int percent) { return QString::fromUtf8(navmath::ZoomLevelCaption(percent).c_str()); }

class TZoomKeys : public QObject {
 public:
  TZoomKeys(QWidget& window, TZoom& zoom) : QObject(&window), window_(window), zoom_(zoom) {
    setObjectName("ZoomKeys");
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(e);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier || key->key() != Qt::Key_0)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) return false;
    // A held key resets once.
    if (!key->isAutoRepeat() && QApplication::activeWindow() == &window_) zoom_.acZoomResetExecute();
    return true;
  }

 private:
  QWidget& window_;
  TZoom& zoom_;
};

// The label goes right after the button: into the button's layout when it has one, otherwise
// at the button's right edge, the controls further right moving over to make room.
void PlaceBeside(QLabel& label, QAbstractButton& button) {
  QWidget* parent = button.parentWidget();
  if (auto* box = parent ? qobject_cast<QBoxLayout*>(parent->layout()) : nullptr) {
    const int at = box->indexOf(&button);
    if (at >= 0) {
      box->insertWidget(at + 1, &label);
      return;
    }
  }
  const QRect b = button.geometry();
  label.setGeometry(b.right() + 2, b.top(), label.width(), b.height());
  if (!parent) return;
  const int room = label.width() + 2;
  for (QObject* o : parent->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w == &label || w == &button || w->x() <= b.right()) continue;
    w->move(w->x() + room, w->y());
  }
}

}  // namespace

void InstallZoomControls(QWidget& window, TZoom& zoom, QAbstractButton& zoomOutButton) {
  if (window.findChild<QObject*>("ZoomKeys", Qt::FindDirectChildrenOnly)) return;
  new TZoomKeys(window, zoom);

  auto* label = new QLabel(zoomOutButton.parentWidget());
  label->setObjectName("LZoomLevel");
  label->setToolTip(QString::fromUtf8("Размер шрифта (Ctrl+0 \xE2\x80\x94 обычный размер)"));
  label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
  // A little smaller than the toolbar's captions, and wide enough for the longest level, so that
  // nothing moves as the level changes.
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 0.9);
  label->setFont(font);
  label->setText(LevelCaption(300));
  label->setFixedWidth(label->sizeHint().width());
  label->setText(LevelCaption(zoom.ZoomPercent()));
  PlaceBeside(*label, zoomOutButton);
  label->show();
  zoom.OnLevelChanged = [label](int percent) { label->setText(LevelCaption(percent)); };
}
