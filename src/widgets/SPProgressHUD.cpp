#include "widgets/SPProgressHUD.h"

#include "widgets/Accessibility.h"
#include "widgets/SPActivityIndicator.h"
#include "widgets/SPProgressHUDParts.h"
#include "widgets/SPProgressIndicator.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVariantAnimation>

namespace aq {

namespace {

SPProgressHUD* g_instance = nullptr;

// Workers hand their showing and dismissing to the GUI thread; posted calls
// keep the order in which one thread made them.
void onGuiThread(std::function<void()> call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    if (QThread::currentThread() == app->thread()) {
        call();
    } else {
        QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
    }
}

}  // namespace

void SPProgressHUD::showStatus(const QString& text, QWidget* view) {
    QPointer<QWidget> target(view);
    onGuiThread([text, target] {
        if (target) instance()->present(text, target, std::nullopt);
    });
}

void SPProgressHUD::showProgress(double progress, const QString& text, QWidget* view) {
    QPointer<QWidget> target(view);
    onGuiThread([progress, text, target] {
        if (target) instance()->present(text, target, progress);
    });
}

void SPProgressHUD::setStatus(const QString& text) {
    onGuiThread([text] { instance()->setStatusText(text); });
}

void SPProgressHUD::setCancelAction(const QString& title, std::function<void()> action) {
    onGuiThread([title, action = std::move(action)]() mutable {
        instance()->setCancel(title, std::move(action));
    });
}

void SPProgressHUD::showMessage(const QString& text, QWidget* view, double seconds) {
    QPointer<QWidget> target(view);
    onGuiThread([text, target, seconds] {
        if (target) instance()->presentMessage(text, target, seconds);
    });
}

void SPProgressHUD::dismiss() {
    onGuiThread([] {
        SPProgressHUD* hud = instance();
        if (hud->_keepActivityCount) {
            hud->popOne();
        } else {
            hud->hideAnimated();
        }
    });
}

void SPProgressHUD::popActivity() {
    onGuiThread([] { instance()->popOne(); });
}

void SPProgressHUD::setBackgroundAlpha(double alpha, bool) {
    onGuiThread([alpha] { instance()->setBackgroundAlpha(alpha); });
}

SPProgressHUD* SPProgressHUD::instance() {
    Q_ASSERT(QCoreApplication::instance() &&
             QThread::currentThread() == QCoreApplication::instance()->thread());
    // A HUD lives inside the view it covers; should that view be destroyed
    // with it, the next use makes a fresh one.
    if (!g_instance) g_instance = new SPProgressHUD();
    return g_instance;
}

SPProgressHUD::SPProgressHUD() : QWidget(nullptr) {
    installAccessibility();
    initializePopup();
}

SPProgressHUD::~SPProgressHUD() {
    if (g_instance == this) g_instance = nullptr;
    delete _backgroundMask.data();
}

void SPProgressHUD::initializePopup() {
    _mainHUD = new hud::Popup(this);
    _activityIndicator = new SPActivityIndicator(_mainHUD);
    _progressIndicator = new SPProgressIndicator(_mainHUD);
    _label = new hud::Label(_mainHUD);
    _label->setFont(labelFont());
    _activityIndicator->resize(_indicatorSize.toSize());
    _progressIndicator->resize(_indicatorSize.toSize());
    _progressIndicator->hide();
    _backgroundMask = new hud::Mask();
    _cancelButton = new QPushButton(_mainHUD);
    _cancelButton->setFocusPolicy(Qt::NoFocus);
    // The HUD's own sheet takes every border away; the button draws its own.
    _cancelButton->setStyleSheet(
        QStringLiteral("QPushButton { color: white; border: 1px solid rgba(255, 255, 255, 150);"
                       " border-radius: 5px; padding: 3px 16px; }"
                       "QPushButton:pressed { background: rgba(255, 255, 255, 50); }"
                       "QPushButton:disabled { color: rgba(255, 255, 255, 110); }"));
    _cancelButton->hide();
    connect(_cancelButton, &QPushButton::clicked, this, &SPProgressHUD::cancelPressed);
    _messageTimer = new QTimer(this);
    _messageTimer->setSingleShot(true);
    connect(_messageTimer, &QTimer::timeout, this, &SPProgressHUD::expireMessage);
    setFocusPolicy(Qt::NoFocus);
    // A style sheet on the covered page must not paint boxes behind the
    // popup's parts: the HUD draws all of itself.
    setStyleSheet(QStringLiteral("background: transparent; border: none;"));
}

void SPProgressHUD::setBackgroundAlpha(double alpha) {
    _backgroundAlpha = alpha;
    update();
}

void SPProgressHUD::setActionsEnabled(bool on) {
    _actionsEnabled = on;
    if (_displaying) addMask();
}

void SPProgressHUD::present(const QString& text, QWidget* view, std::optional<double> progress) {
    endMessageMode();
    if (_parentView && _parentView != view) _parentView->removeEventFilter(this);
    _parentView = view;
    _label->setText(text);
    if (progress) {
        _activityIndicator->hide();
        _activityIndicator->stopAnimation();
        _progressIndicator->show();
        _progressIndicator->showProgress(float(*progress));
    } else {
        _activityIndicator->show();
        _progressIndicator->hide();
        _activityIndicator->startAnimation();
    }
    if (_displaying) {
        replaceQuickly();
    } else {
        showAnimated();
    }
    // Screen readers speak an alert when it comes up: the status or the note.
    if (QAccessible::isActive()) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

void SPProgressHUD::presentMessage(const QString& text, QWidget* view, double seconds) {
    // A note replaces whatever was shown, spinner and button included.
    setCancel(QString(), {});
    present(text, view, std::nullopt);
    _activityIndicator->hide();
    _activityIndicator->stopAnimation();
    _actionsBeforeMessage = _actionsEnabled;
    _message = true;
    setActionsEnabled(true);
    updateLayout();
    placeParts();
    _messageTimer->start(static_cast<int>(seconds * 1000.0));
}

void SPProgressHUD::endMessageMode() {
    if (!_message) return;
    _message = false;
    _messageTimer->stop();
    setActionsEnabled(_actionsBeforeMessage);
}

void SPProgressHUD::expireMessage() {
    if (!_message) return;
    _messageTimer->stop();
    hideAnimated();
}

void SPProgressHUD::setStatusText(const QString& text) {
    if (!_displaying || _message) return;
    _label->setText(text);
    updateLayout();
    placeParts();
    announceNameChange(this);
}

void SPProgressHUD::setCancel(const QString& title, std::function<void()> action) {
    _cancelAction = std::move(action);
    _cancelButton->setText(title);
    _cancelButton->setEnabled(true);
    _cancelButton->setVisible(bool(_cancelAction));
    if (_displaying) {
        updateLayout();
        placeParts();
        if (_cancelAction) raise();
    }
}

void SPProgressHUD::cancelPressed() {
    if (!_cancelAction) return;
    // Once: the work stops at its next step, a second press adds nothing.
    auto action = std::move(_cancelAction);
    _cancelAction = nullptr;
    _cancelButton->setEnabled(false);
    action();
}

QPushButton* SPProgressHUD::cancelButton() const {
    return _cancelButton->isVisibleTo(_mainHUD) ? _cancelButton : nullptr;
}

void SPProgressHUD::mousePressEvent(QMouseEvent* e) {
    e->accept();
}
void SPProgressHUD::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
}
void SPProgressHUD::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
}
void SPProgressHUD::wheelEvent(QWheelEvent* e) {
    e->accept();
}

void SPProgressHUD::beginShowing() {
    updateLayout();
    // A HUD still on another view moves to this one.
    if (parentWidget() != _parentView) setParent(_parentView);
    _parentView->installEventFilter(this);
    _scale = 1.0;
    _contentOpacity = 1.0;
    _displaying = true;
    ++_activityCount;
    placeParts();
    QWidget::show();
    raise();
    addMask();
    if (_cancelAction) raise();
    if (!_filtering) {
        QCoreApplication::instance()->installEventFilter(this);
        _filtering = true;
    }
}

void SPProgressHUD::replaceQuickly() {
    // A running hide ends here: it must not take away what is shown again.
    cancelAnimation();
    _animatingShow = false;
    beginShowing();
    _mainOpacity = _pAlpha;
    placeParts();
}

void SPProgressHUD::showAnimated() {
    beginShowing();
    _mainOpacity = 0.0;
    _scale = 0.75;
    placeParts();
    _animatingShow = true;
    animate(1.0, _pAlpha, 1.0, [this] { _animatingShow = false; });
}

void SPProgressHUD::hideAnimated() {
    if (!_displaying) return;
    _progressIndicator->clear();
    _animatingShow = true;
    animate(0.75, 0.0, 0.0, [this] {
        _animatingShow = false;
        if (_mainOpacity == 0.0) finishHiding();
    });
}

void SPProgressHUD::finishHiding() {
    if (_filtering) {
        QCoreApplication::instance()->removeEventFilter(this);
        _filtering = false;
    }
    if (_parentView) _parentView->removeEventFilter(this);
    QWidget::hide();
    setParent(nullptr);
    _parentView = nullptr;
    _displaying = false;
    endMessageMode();
    _cancelAction = nullptr;
    _cancelButton->hide();
    removeMask();
    _activityIndicator->stopAnimation();
}

void SPProgressHUD::popOne() {
    // An extra pop must not wrap the count round and keep the HUD for ever.
    if (_activityCount > 0) --_activityCount;
    if (_activityCount == 0) hideAnimated();
}

void SPProgressHUD::addMask() {
    if (!_parentView) return;
    if (!_backgroundMask) _backgroundMask = new hud::Mask();
    _backgroundMask->setParent(_parentView);
    _backgroundMask->setGeometry(_parentView->rect());
    _backgroundMask->setEnabled(!_actionsEnabled);
    // With actions enabled, clicks go through the dimming to the controls.
    _backgroundMask->setAttribute(Qt::WA_TransparentForMouseEvents, _actionsEnabled);
    setAttribute(Qt::WA_TransparentForMouseEvents, _actionsEnabled);
    _backgroundMask->show();
    _backgroundMask->raise();
}

void SPProgressHUD::removeMask() {
    if (!_backgroundMask) return;
    _backgroundMask->hide();
    _backgroundMask->setParent(nullptr);
}

bool SPProgressHUD::blocksInput(QObject* receiver) const {
    if (!_displaying || _actionsEnabled || !_parentView) return false;
    while (receiver && !receiver->isWidgetType()) receiver = receiver->parent();
    auto* w = static_cast<QWidget*>(receiver);
    return w && (w == _parentView || _parentView->isAncestorOf(w));
}

bool SPProgressHUD::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
            if (watched == _parentView && _displaying) placeParts();
            break;
        // Keys would still reach the covered view's focused control, and
        // its shortcuts; the HUD blocks them as it blocks clicks.
        case QEvent::KeyPress:
            if (blocksInput(watched) && _cancelAction &&
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                cancelPressed();
                return true;
            }
            if (blocksInput(watched)) return true;
            break;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            if (blocksInput(watched)) return true;
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void SPProgressHUD::animate(double toScale, double toMainOpacity, double toContentOpacity,
                            std::function<void()> done) {
    cancelAnimation();
    _fromScale = _scale;
    _fromMain = _mainOpacity;
    _fromContent = _contentOpacity;
    _toScale = toScale;
    _toMain = toMainOpacity;
    _toContent = toContentOpacity;
    _animationDone = std::move(done);
    if (_animationDuration <= 0) {
        finishAnimations();
        return;
    }
    if (!_animation) {
        _animation = new QVariantAnimation(this);
        _animation->setStartValue(0.0);
        _animation->setEndValue(1.0);
        _animation->setEasingCurve(QEasingCurve::OutCubic);
        connect(_animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& v) { applyAnimation(v.toDouble()); });
        connect(_animation, &QVariantAnimation::finished, this, [this] { finishAnimations(); });
    }
    _animation->setDuration(_animationDuration);
    _animation->start();
}

void SPProgressHUD::applyAnimation(double t) {
    if (t >= 1.0) {
        _scale = _toScale;
        _mainOpacity = _toMain;
        _contentOpacity = _toContent;
    } else {
        _scale = _fromScale + (_toScale - _fromScale) * t;
        _mainOpacity = _fromMain + (_toMain - _fromMain) * t;
        _contentOpacity = _fromContent + (_toContent - _fromContent) * t;
    }
    placeParts();
}

void SPProgressHUD::finishAnimations() {
    if (!_animationDone) return;
    if (_animation) _animation->stop();
    applyAnimation(1.0);
    auto done = std::move(_animationDone);
    _animationDone = nullptr;
    done();
}

void SPProgressHUD::cancelAnimation() {
    if (_animation) _animation->stop();
    _animationDone = nullptr;
}

}  // namespace aq
