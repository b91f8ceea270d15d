// One level display: a caption with its symbol; then either the level as a percentage above a
// bar, or a text saying why there is none; then an optional detail line (the device's name).
#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QProgressBar;

namespace rimglider {

class ValueTile : public QWidget {
    Q_OBJECT

  public:
    struct Content {
        QString title;
        QString symbol;
        std::optional<float> value; // 0…1
        QString unavailable;        // shown when value is absent
        QString detail;             // may be empty
        friend bool operator==(const Content&, const Content&) = default;
    };

    explicit ValueTile(QWidget* parent = nullptr);

    void setContent(const Content& content);
    [[nodiscard]] const Content& content() const { return content_; }

    // The nearest whole percentage of value × 100, halves away from zero, then "%".
    static QString percentText(float value);

    // What the tile shows, for tests and accessibility.
    [[nodiscard]] QString titleText() const;
    [[nodiscard]] QString valueText() const; // empty while the value is absent
    [[nodiscard]] bool showsBar() const;
    [[nodiscard]] QString unavailableText() const; // empty while a value shows
    [[nodiscard]] QString detailText() const;      // empty while hidden; whole
    [[nodiscard]] QString shownDetail() const;     // as drawn: shortened to the tile's width

  protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void paintSymbol();
    void elideDetail();

    Content content_;
    QLabel* icon_;
    QLabel* title_;
    QLabel* percent_;
    QProgressBar* bar_;
    QLabel* unavailable_;
    QLabel* detail_;
};

} // namespace rimglider
