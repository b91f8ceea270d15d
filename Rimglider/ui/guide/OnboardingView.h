// The welcome guide's window content: the current step, a dot per visible step and the
// footer buttons. Closing it as a window stops the guide.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace rimglider {

class LoginItem;
class OnboardingModel;

class OnboardingView : public QWidget {
    Q_OBJECT

  public:
    static constexpr QSize fixedSize{560, 620};

    OnboardingView(OnboardingModel& model, LoginItem& loginItem, QWidget* parent = nullptr);

    [[nodiscard]] QWidget* stepContent() const { return content_; }
    [[nodiscard]] QPushButton* backButton() const { return back_; }
    [[nodiscard]] QPushButton* skipButton() const { return skip_; }
    [[nodiscard]] QPushButton* primaryButton() const { return primary_; }
    [[nodiscard]] int dotCount() const { return dotCount_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void showStep();
    void refreshFooter();
    void refreshDots();
    void primaryClicked();
    void stylePrimary();

    OnboardingModel& model_;
    LoginItem& loginItem_;
    QVBoxLayout* contentSlot_;
    QWidget* content_ = nullptr;
    QLabel* dots_;
    int dotCount_ = 0;
    QPushButton* back_;
    QPushButton* skip_;
    QPushButton* primary_;
};

} // namespace rimglider
