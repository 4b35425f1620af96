#pragma once
// The picture on the About window: the front of a panel-mounted energy
// analyzer, drawn rather than loaded so that the program carries no image
// files.

#include <QWidget>

namespace kestro {

class AnalyzerPicture : public QWidget {
    Q_OBJECT

  public:
    explicit AnalyzerPicture(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kestro
