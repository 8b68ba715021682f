#include <QTest>

#include "app/CTipDlg.h"
#include "app/TipOfTheDay.h"
#include "model/Clock.h"
#include "model/MemorySettingsStore.h"

using namespace foldcraft;

class tst_TipOfTheDay : public QObject {
    Q_OBJECT
private slots:
    // Over many start times and every recorded "FilePos": the first tip is never the
    // recorded one, and no tip follows itself, also when two choices fall in the
    // same second.
    void neverTheSameTipTwiceInARow() {
        for (int pos = 0; pos < TipOfTheDay::kCount; ++pos) {
            for (Time start = 1'000'000'000; start < 1'000'000'000 + 200; ++start) {
                MemorySettingsStore settings;
                settings.WriteInt("Tip", "FilePos", pos);
                TipOfTheDay tips(settings);
                int previous = pos;
                for (Time t : {start, start, start + 1, start + 1, start + 2}) {
                    const int chosen = tips.Choose(t);
                    QVERIFY(chosen >= 0 && chosen < TipOfTheDay::kCount);
                    QVERIFY2(chosen != previous, qPrintable(QString::number(start)));
                    previous = chosen;
                }
            }
        }
    }

    // The settings: "StartUp" 0 or less shows tips at start; Close writes the check
    // box; the last tip shown goes to "FilePos" when the dialog goes, also after
    // Escape, which writes nothing else.
    void settings() {
        MemorySettingsStore settings;
        settings.WriteInt("Tip", "StartUp", -1);
        QVERIFY(TipOfTheDay::WantedAtStartUp(settings));
        {
            TipOfTheDay tips(settings);
            tips.Choose(1'700'000'000);
            tips.Close(false);
            settings.WriteInt("Tip", "FilePos", 99);  // replaced on destruction
            QCOMPARE(settings.GetInt("Tip", "StartUp", 0), 1);
            QVERIFY(!TipOfTheDay::WantedAtStartUp(settings));
        }
        QVERIFY(settings.GetInt("Tip", "FilePos", -1) != 99);

        MemorySettingsStore fresh;
        int shown = -1;
        {
            ScopedClockPin pin(1'700'000'000);
            CTipDlg dialog(fresh);
            shown = dialog.ShownIndex();
            QCOMPARE(dialog.ShownText(), QString::fromUtf8(TipOfTheDay::Tips()[size_t(shown)]));
            dialog.reject();
        }
        QVERIFY(!fresh.Contains("Tip", "StartUp"));
        QCOMPARE(fresh.GetInt("Tip", "FilePos", -1), shown);
    }

    // 26 tips; the last six are the design tips, with the trade-mark sign in UTF-8.
    void texts() {
        const auto& tips = TipOfTheDay::Tips();
        QCOMPARE(int(tips.size()), 26);
        for (int i = 20; i < 26; ++i)
            QVERIFY(QString::fromUtf8(tips[size_t(i)]).startsWith(QStringLiteral("Design Tip: ")));
        QVERIFY(QString::fromUtf8(tips[20]).contains(QStringLiteral("Foldcraft\u2122 is that")));
        QVERIFY(QString::fromUtf8(tips[24]).endsWith(QStringLiteral("line in Foldcraft\u2122")));
    }
};

QTEST_MAIN(tst_TipOfTheDay)
#include "tst_TipOfTheDay.moc"
