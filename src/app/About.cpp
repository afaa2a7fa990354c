// The About box: the program's picture, its name and a one-line notice with the version and
// the attribution the dictionary's licence asks for.
#include "app/About.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "appbase/Workspace.h"
#include "engine/MarkContract.h"
#include "support/Cp1251.h"

#ifndef PARVEL_VERSION
#define PARVEL_VERSION "0.1"
#endif

namespace {

// The texts are stored scrambled (Windows-1251 bytes XOR-ed with the program's key).
QString Stored(const unsigned char* bytes, size_t size) {
  const std::string plain = Unscramble(std::string(reinterpret_cast<const char*>(bytes), size));
  return QString::fromUtf8(cp1251::ToUtf8(plain));
}

// "Сравнение текстов"
const unsigned char kTitle[] = {0x76, 0x57, 0x47, 0x45, 0x4A, 0x42, 0x4A, 0x4F, 0x42, 0x87, 0x55, 0x42, 0x4D, 0x56, 0x55, 0x49, 0x45};
// "Версия %1 · словарь: © «Открытый корпус» (OpenCorpora), CC BY-SA 3.0"
const unsigned char kNotice[] = {0x65, 0x42, 0x57, 0x56, 0x4F, 0x58, 0x87, 0x82, 0x96, 0x87, 0x10, 0x87, 0x56, 0x4C, 0x49, 0x45, 0x47, 0x57, 0x5B, 0x9D, 0x87, 0x0E, 0x87, 0x0C, 0x69, 0x55, 0x4D, 0x57, 0x5C, 0x55, 0x5C, 0x4E, 0x87, 0x4D, 0x49, 0x57, 0x48, 0x54, 0x56, 0x1C, 0x87, 0x8F, 0xE8, 0xD7, 0xC2, 0xC9, 0xE4, 0xC8, 0xD5, 0xD7, 0xC8, 0xD5, 0xC6, 0x8E, 0x8B, 0x87, 0xE4, 0xE4, 0x87, 0xE5, 0xFE, 0x8A, 0xF4, 0xE6, 0x87, 0x94, 0x89, 0x97};

QColor MarkColour(std::string_view rrggbb) { return QColor(QString::fromLatin1("#") + QString::fromLatin1(rrggbb.data(), static_cast<int>(rrggbb.size()))); }

// The program's picture: two pages side by side, a struck-through pink line on the left and a
// green one on the right, and a lavender line that moved from the top of the left page to the
// bottom of the right one, as a comparison shows them.
QPixmap Picture() {
  QPixmap pix(208, 56);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  auto page = [&](int x, const QColor& mark, bool strike, int movedRow) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x + 0.5, 2.5, 62, 51), 4, 4);
    p.fillPath(path, QColor("#ffffff"));
    p.setPen(QPen(QColor("#8a9bb4"), 1));
    p.drawPath(path);
    for (int row = 0; row < 5; ++row) {
      const int y = 10 + row * 8;
      const int len = row == 4 ? 30 : 48;
      if (row == movedRow) {
        p.fillRect(x + 7, y - 2, 48, 6, MarkColour(marks::MovedColour));
        continue;
      }
      if (row == 2) {
        p.fillRect(x + 7, y - 2, 48, 6, mark);
        if (strike) {
          p.setPen(QPen(QColor("#7a2020"), 1));
          p.drawLine(x + 8, y + 1, x + 54, y + 1);
        }
        continue;
      }
      p.fillRect(x + 7, y, len, 2, QColor("#b9c4d4"));
    }
  };
  page(1, MarkColour(marks::DeletedColour), true, 0);
  page(71, MarkColour(marks::InsertedColour), false, 4);
  // An arrow from the old page to the new.
  p.setPen(QPen(QColor("#1f3b64"), 2));
  p.drawLine(140, 28, 196, 28);
  QPainterPath head;
  head.moveTo(204, 28);
  head.lineTo(194, 22);
  head.lineTo(194, 34);
  head.closeSubpath();
  p.fillPath(head, QColor("#1f3b64"));
  return pix;
}

}  // namespace

TAbout::TAbout(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("Сравнение текстов Квилон"));
  setFixedSize(480, 168);
  setModal(true);
  QFont base = font();
  base.setPixelSize(11);
  setFont(base);

  Image1 = new QLabel(this);
  Image1->setGeometry(16, 16, 208, 56);
  Image1->setPixmap(Picture());

  Label1 = new QLabel(this);
  QFont title = base;
  title.setPixelSize(16);
  title.setBold(true);
  Label1->setFont(title);
  Label1->move(240, 36);

  Label2 = new QLabel(this);
  QFont small = base;
  small.setPixelSize(10);
  Label2->setFont(small);
  Label2->move(25, 88);

  // What the marks' colours mean.
  Legend = new QLabel(this);
  Legend->setFont(small);
  Legend->setTextFormat(Qt::RichText);
  auto swatch = [](std::string_view colour, const char* meaning) {
    return QString::fromUtf8("<span style=\"background-color:#%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span> %2")
        .arg(QString::fromLatin1(colour.data(), static_cast<int>(colour.size())), QString::fromUtf8(meaning));
  };
  Legend->setText(swatch(marks::DeletedColour, "удалено") + "&nbsp;&nbsp; " + swatch(marks::InsertedColour, "вставлено") +
                  "&nbsp;&nbsp; " + swatch(marks::MovedColour, "перенесено"));
  Legend->move(25, 104);
  Legend->adjustSize();

  bClose = new QPushButton(QString::fromUtf8("Ok"), this);
  bClose->setGeometry(203, 130, 75, 25);
  bClose->setDefault(true);
  bClose->setAutoDefault(true);
  connect(bClose, &QPushButton::clicked, this, &QDialog::accept);

  FormCreate();

  // Centred on the screen.
  if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TAbout::FormCreate() {
  Label1->setText(Stored(kTitle, sizeof kTitle));
  Label1->adjustSize();
  Label2->setText(Stored(kNotice, sizeof kNotice).arg(QString::fromLatin1(PARVEL_VERSION)));
  Label2->adjustSize();
}
