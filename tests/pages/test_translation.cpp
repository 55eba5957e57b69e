// The German translation: loaded for a German locale, and every text the
// main pages show comes from it.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTranslator>
#include <QXmlStreamReader>

#include "PagesFixture.h"
#include "pages/AQFirmwareController.h"
#include "pages/Translations.h"

namespace aq::test {
namespace {

// Every translation of the catalogue as a pattern: "%1" stands for any text.
QList<QRegularExpression> germanPatterns() {
    QFile file(QStringLiteral(AQ_TS_FILE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << AQ_TS_FILE;
    QList<QRegularExpression> patterns;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("translation")) {
            // Plural forms (numerusform children) are not shown on the pages.
            QStringList parts = xml.readElementText(QXmlStreamReader::SkipChildElements)
                                    .split(QRegularExpression(QStringLiteral("%\\d")));
            for (QString& part : parts) part = QRegularExpression::escape(part);
            const QString text = parts.join(QStringLiteral(".*"));
            if (text.isEmpty()) continue;
            patterns << QRegularExpression(QStringLiteral("^(?:%1)$").arg(text),
                                           QRegularExpression::DotMatchesEverythingOption);
        }
    }
    return patterns;
}

// The shown labels and buttons under `root` whose text does not fit: outside
// their parent, or narrower than their text needs (wrapping labels may be).
QStringList clippedTexts(QWidget* root) {
    QStringList out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root->window())) continue;
        auto* label = qobject_cast<QLabel*>(w);
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (!label && !button) continue;
        const bool outside = !w->parentWidget()->rect().contains(w->geometry());
        const bool narrow =
            !(label && label->wordWrap()) && w->width() < w->minimumSizeHint().width();
        if (outside || narrow) out << (label ? label->text() : button->text());
    }
    return out;
}

// Texts that stay as they are in every language: the lamp's own name and
// identifiers, channel names, numbers with units, the program's name.
bool languageFree(const QString& text) {
    static const QRegularExpression free(
        QStringLiteral("^(?:|[-\\d\\s.,:%#/()+x\u2013A-F]*(?:kWh)?|&?aqlamp|Reef Tank|"
                       "Royal Blue|Red|Moonlight|Navy Blue|White|Purple|"
                       "[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}|\u2713)$"));
    return free.match(text).hasMatch();
}

class TranslationTest : public PagesFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        PagesFixture::SetUp();
    }
    void TearDown() override {
        PagesFixture::TearDown();
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }

    // The texts of the window's visible widgets and of its menus.
    QStringList shownTexts() {
        QMainWindow* window = delegate->window();
        QStringList texts;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(window)) continue;
            if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
            if (auto* edit = qobject_cast<QLineEdit*>(w)) texts << edit->placeholderText();
            if (auto* table = qobject_cast<AQTableView*>(w)) texts << table->columns();
        }
        for (QAction* menu : window->menuBar()->actions()) {
            texts << menu->text();
            for (QAction* a : menu->menu()->actions()) texts << a->text();
        }
        return texts;
    }

    // The shown texts that neither the translation nor the allow-list explains.
    std::string untranslated(const QList<QRegularExpression>& patterns) {
        QStringList out;
        for (const QString& text : shownTexts()) {
            if (languageFree(text)) continue;
            const bool known = std::any_of(patterns.begin(), patterns.end(),
                                           [&](const auto& p) { return p.match(text).hasMatch(); });
            if (!known) out << text;
        }
        return out.join(QStringLiteral(" | ")).toStdString();
    }
};

TEST_F(TranslationTest, EnglishNeedsNoCatalogue) {
    EXPECT_FALSE(installTranslations(QLocale(QLocale::English, QLocale::UnitedStates)));
}

TEST_F(TranslationTest, EveryMainPageShowsOnlyGermanTexts) {
    const QList<QRegularExpression> patterns = germanPatterns();
    ASSERT_GT(patterns.size(), 200);
    addLamp("Reef Tank", kLampId);
    EXPECT_EQ(untranslated(patterns), "") << "connection page";
    EXPECT_EQ(nav().btnDiscover()->text(), "Verbinden");

    connectLamp();
    QMainWindow* window = delegate->window();
    for (const char* page :
         {"info", "settings", "dayadjustment", "moonadjustment", "weather", "livecontroller"}) {
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return !hudUp(); }));
        click(barButton(QString::fromLatin1(page)));
        dispatch.runUntilIdle(30.0);
        ASSERT_EQ(nav().tabView()->currentWidget()->objectName(), QString::fromLatin1(page));
        EXPECT_EQ(untranslated(patterns), "") << page;
        // The longer German texts fit at the smallest window.
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        window->resize(window->minimumSize());
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        EXPECT_EQ(clippedTexts(nav().tabView()->currentWidget()).join(" | ").toStdString(), "")
            << page;
        // The sheets a page opens on entry were checked with it.
        while (QWidget* sheet = QApplication::activeModalWidget()) sheet->close();
    }
    nav().miFirmware()->trigger();
    dispatch.runUntilIdle(5.0);
    EXPECT_EQ(untranslated(patterns), "") << "firmware page";
}

}  // namespace
}  // namespace aq::test
