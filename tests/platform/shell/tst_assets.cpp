#include "TestEnv.h"
#include "theme/Dib.h"

#include <QFile>
#include <QImage>
#include <QtTest>

// The generated pictures the program loads by resource id.
class TestAssets : public QObject
{
    Q_OBJECT

private slots:
    void splashIsAnEightBitPaletteBitmap()
    {
        CDib dib;
        QVERIFY(dib.LoadFromResource(217));
        QVERIFY(dib.m_nWidth >= 300 && dib.m_nWidth <= 500);
        QVERIFY(dib.m_nHeight >= 180 && dib.m_nHeight <= 320);
        QCOMPARE(dib.m_nColors, 256u);
        QCOMPARE(qFromLittleEndian<quint32>(dib.m_hDIB.constData()), 40u); // the full header
        QCOMPARE(qFromLittleEndian<quint16>(dib.m_hDIB.constData() + 14), quint16(8));
    }

    // Every icon and toolbar button at each of its sizes, with see-through
    // surroundings and something drawn in the middle.
    void iconsAndButtons()
    {
        QList<QPair<QString, int>> files{{":/icons/128-256.png", 256}};
        for (const char* id : {"128", "171", "132", "135"})
            files << qMakePair(QString(":/icons/%1.png").arg(id), 32) << qMakePair(QString(":/icons/%1-16.png").arg(id), 16);
        for (int id : {32774, 32777, 57600, 57601, 57603, 32773, 32772, 57667})
            files << qMakePair(QString(":/toolbar/%1.png").arg(id), 16) << qMakePair(QString(":/toolbar/%1-24.png").arg(id), 24);
        for (const auto& [path, side] : files) {
            const QImage img(path);
            QVERIFY2(img.size() == QSize(side, side), qPrintable(path));
            QVERIFY2(img.hasAlphaChannel() && qAlpha(img.pixel(side / 2, side / 2)) > 0, qPrintable(path));
        }
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
