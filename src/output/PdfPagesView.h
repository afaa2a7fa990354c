#pragma once
// The pages of a PDF one below the other, rendered only when they come into sight and kept in a
// small cache of the most recently shown, so that a document of hundreds of pages costs the
// memory of a few.
#include <QAbstractScrollArea>
#include <QImage>

#include <list>
#include <vector>

class QPdfDocument;

class TPdfPagesView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TPdfPagesView(QWidget* parent = nullptr);

  // Shows doc's pages (not owned; it must outlive the view or be replaced), from the first.
  void SetDocument(QPdfDocument* doc);

  // Pages fill the width of the view, or stand whole in it, or keep a scale of their own.
  enum TFit { fitWidth, fitPage, fitNone };
  void SetFit(TFit fit);
  void ZoomBy(double factor);  // from the present scale; ends fitting

  int PageCount() const { return static_cast<int>(pages_.size()); }
  int CurrentPage() const;  // from 0: the page at the middle of the view
  void ShowPage(int page);

  // At most this many rendered pages are kept (more only while more are in sight at once).
  static constexpr int kCachedPages = 8;
  int CachedPageCount() const { return static_cast<int>(cache_.size()); }
  int RenderedPageCount() const { return rendered_; }  // renderings made so far

 signals:
  void CurrentPageChanged(int page);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  struct TCached {
    int Page;
    QSize Pixels;
    QImage Image;
  };
  void Relayout();
  const QImage& Rendered(int page, QSize pixels, int inSight);

  QPdfDocument* doc_ = nullptr;
  std::vector<QSizeF> pages_;  // points
  std::vector<QRect> placed_;  // in the scaled document
  QSize documentSize_;
  TFit fit_ = fitWidth;
  double scale_ = 1.0;  // pixels per point
  std::list<TCached> cache_;  // most recently shown first
  int rendered_ = 0;
  int lastCurrent_ = -1;
};
