#pragma once

#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;
class QTimer;
class QVariantAnimation;

namespace aq {

class SPActivityIndicator;
class SPProgressIndicator;
namespace hud {
class Popup;
class Label;
class Mask;
}  // namespace hud

// The process-wide overlay that blocks a view while work runs: it dims the
// view, shows a rounded dark popup in its centre with a spinner (or a
// progress ring) and a status text, and keeps clicks and keys away from the
// covered controls. Pages use the static operations; they may be called
// from any thread and are carried over to the GUI thread.
class SPProgressHUD : public QWidget {
    Q_OBJECT
public:
    // Shows the spinner and the text over the view.
    static void showStatus(const QString& text, QWidget* view);
    // Shows the progress ring at progress (0 … 1) and the text over the view.
    static void showProgress(double progress, const QString& text, QWidget* view);
    // Changes the text of the current showing in place, as long work reports
    // how far it has come; nothing when the HUD is not showing.
    static void setStatus(const QString& text);
    // Offers a button under the text (Escape does the same) that runs the
    // action once; an empty action takes the button away. The button goes
    // when the HUD hides.
    static void setCancelAction(const QString& title, std::function<void()> action);
    // A short note over the view that blocks nothing: the text alone, without
    // dimming, fading out after the given seconds.
    static void showMessage(const QString& text, QWidget* view, double seconds = 2.0);
    // Hides (animated); with keepActivityCount, only ends one showing.
    static void dismiss();
    // Ends one showing; the last one hides.
    static void popActivity();
    // Sets the dimming; the flag is accepted for callers and changes nothing.
    static void setBackgroundAlpha(double alpha, bool disableActions);
    // The single instance, made on first use. GUI thread only.
    static SPProgressHUD* instance();

    double pAlpha() const { return _pAlpha; }
    void setPAlpha(double a) { _pAlpha = a; }
    double pPadding() const { return _pPadding; }
    void setPPadding(double p) { _pPadding = p; }
    // Shift of the popup from the view's centre (y grows downward).
    QPointF pOffset() const { return _pOffset; }
    void setPOffset(const QPointF& o) { _pOffset = o; }
    double backgroundAlpha() const { return _backgroundAlpha; }
    void setBackgroundAlpha(double alpha);
    // When true, clicks and keys reach the covered controls.
    bool actionsEnabled() const { return _actionsEnabled; }
    void setActionsEnabled(bool on);
    QSizeF indicatorSize() const { return _indicatorSize; }
    void setIndicatorSize(const QSizeF& s) { _indicatorSize = s; }
    // Kept for callers; the layout does not use them.
    QPointF indicatorOffset() const { return _indicatorOffset; }
    void setIndicatorOffset(const QPointF& o) { _indicatorOffset = o; }
    QSizeF labelSize() const { return _labelSize; }
    void setLabelSize(const QSizeF& s) { _labelSize = s; }
    QPointF labelOffset() const { return _labelOffset; }
    void setLabelOffset(const QPointF& o) { _labelOffset = o; }
    bool keepActivityCount() const { return _keepActivityCount; }
    void setKeepActivityCount(bool on) { _keepActivityCount = on; }
    quint64 activityCount() const { return _activityCount; }
    bool displaying() const { return _displaying; }
    bool animatingShow() const { return _animatingShow; }

    // What is on screen, for callers and tests.
    QWidget* parentView() const { return _parentView; }
    QSizeF pSize() const { return _pSize; }
    QRectF popupFrame() const;  // in the view's coordinates
    double popupOpacity() const { return _mainOpacity; }
    double contentOpacity() const { return _contentOpacity; }
    QString status() const;
    QRectF labelFrame() const { return _layout.labelFrame; }
    QRectF indicatorFrame() const { return _layout.indicatorFrame; }
    SPActivityIndicator* activityIndicator() const { return _activityIndicator; }
    SPProgressIndicator* progressIndicator() const { return _progressIndicator; }
    QFont labelFont() const;
    // The cancel button while one is offered, else none.
    QPushButton* cancelButton() const;
    bool showingMessage() const { return _message; }
    // Ends a showing note now, as if its time had passed.
    void expireMessage();

    // Layout of the popup for a measured status text: sizes and frames in
    // the popup's coordinates, y growing downward (the label at the bottom).
    struct Layout {
        QSizeF popupSize;
        QRectF labelFrame;
        QRectF indicatorFrame;
    };
    static Layout layoutFor(double textWidth, double textHeight, bool hasText, double padding,
                            const QSizeF& indicatorSize);
    // Width of the text on unwrapped lines, and its height wrapped at maxWidth.
    static QSizeF measureText(const QString& text, const QFont& font, double maxWidth);
    // The popup's rectangle at a scale, centred in a view of the given size.
    static QRectF centredRect(const QSizeF& viewSize, const QSizeF& popupSize,
                              const QPointF& offset, double scale);

    // Duration of the show and hide animations, 150 ms by default; 0 makes
    // them take effect at once.
    int animationDuration() const { return _animationDuration; }
    void setAnimationDuration(int ms) { _animationDuration = ms; }
    // Brings a running animation to its end state at once and runs its
    // completion, as if its time had passed.
    void finishAnimations();

    ~SPProgressHUD() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The popup lies above the mask while it offers a button: its own
    // clicks stop here rather than reach the covered view.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SPProgressHUD();
    void initializePopup();
    void present(const QString& text, QWidget* view, std::optional<double> progress);
    void presentMessage(const QString& text, QWidget* view, double seconds);
    void endMessageMode();
    void setStatusText(const QString& text);
    void setCancel(const QString& title, std::function<void()> action);
    void cancelPressed();
    void hideAnimated();
    void popOne();
    void beginShowing();
    void replaceQuickly();
    void showAnimated();
    void finishHiding();
    void updateLayout();
    void addMask();
    void removeMask();
    void placeParts();
    bool blocksInput(QObject* receiver) const;
    void animate(double toScale, double toMainOpacity, double toContentOpacity,
                 std::function<void()> done);
    void applyAnimation(double t);
    void cancelAnimation();

    QPointer<QWidget> _parentView;
    hud::Popup* _mainHUD = nullptr;
    SPActivityIndicator* _activityIndicator = nullptr;
    SPProgressIndicator* _progressIndicator = nullptr;
    hud::Label* _label = nullptr;
    QPointer<hud::Mask> _backgroundMask;
    QSizeF _pSize;
    Layout _layout;

    double _pAlpha = 0.9;
    double _pPadding = 10.0;
    QPointF _pOffset;
    double _backgroundAlpha = 0.4;
    bool _actionsEnabled = false;
    QSizeF _indicatorSize{40, 40};
    QPointF _indicatorOffset;
    QSizeF _labelSize;
    QPointF _labelOffset;
    bool _keepActivityCount = false;
    quint64 _activityCount = 0;
    bool _displaying = false;
    bool _animatingShow = false;

    // Painted state of the popup: its scale, its opacity and that of its
    // indicator and text.
    double _scale = 1.0;
    double _mainOpacity = 0.0;
    double _contentOpacity = 1.0;

    int _animationDuration = 150;
    QVariantAnimation* _animation = nullptr;
    double _fromScale = 1, _toScale = 1;
    double _fromMain = 0, _toMain = 0;
    double _fromContent = 1, _toContent = 1;
    std::function<void()> _animationDone;
    bool _filtering = false;

    QPushButton* _cancelButton = nullptr;
    std::function<void()> _cancelAction;
    QRectF _cancelFrame;
    bool _message = false;
    bool _actionsBeforeMessage = false;
    QTimer* _messageTimer = nullptr;
};

}  // namespace aq
