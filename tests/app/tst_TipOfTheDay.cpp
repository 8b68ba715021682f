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

    // Tips show at start while "StartUp" is missing or 0 or less; Close writes the
    // check box; the last tip shown goes to "FilePos" when the dialog goes, also after
    // Escape, which writes nothing else.
    void settings() {
        for (int startUp : {-2, -1, 0, 1}) {
            MemorySettingsStore settings;
            if (startUp > -2) settings.WriteInt("Tip", "StartUp", startUp);
            QCOMPARE(TipOfTheDay::WantedAtStartUp(settings), startUp <= 0);
        }
        MemorySettingsStore settings;
        {
            TipOfTheDay tips(settings);
            tips.Choose(1'700'000'000);
            tips.Close(false);
            settings.WriteInt("Tip", "FilePos", 99);  // replaced on destruction
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
};

QTEST_MAIN(tst_TipOfTheDay)
#include "tst_TipOfTheDay.moc"
