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
        QCOMPARE(DIBHeight(dib.m_hDIB), dib.m_nHeight);
        QVERIFY(dib.m_nWidth >= 300 && dib.m_nWidth <= 500);
        QVERIFY(dib.m_nHeight >= 180 && dib.m_nHeight <= 320);
        QCOMPARE(dib.m_nColors, 256u);
        QCOMPARE(qFromLittleEndian<quint32>(dib.m_hDIB.constData()), 40u);
        QCOMPARE(qFromLittleEndian<quint16>(dib.m_hDIB.constData() + 14), quint16(8));
        // not a flat picture: a real design uses many of its colours
        const QImage img = DIBToImage(dib.m_hDIB);
        QSet<QRgb> seen;
        for (int y = 0; y < img.height(); y += 3)
            for (int x = 0; x < img.width(); x += 3)
                seen.insert(img.pixel(x, y));
        QVERIFY(seen.size() > 64);
    }

    void iconsAndButtons_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("side");
        for (const char* id : {"128", "171", "132", "135"}) {
            QTest::newRow(id) << QString(":/icons/%1.png").arg(id) << 32;
            QTest::newRow(QByteArray(id) + "-16") << QString(":/icons/%1-16.png").arg(id) << 16;
        }
        QTest::newRow("128-256") << ":/icons/128-256.png" << 256;
        for (int id : {32774, 32777, 57600, 57601, 57603, 32773, 32772, 57667}) {
            QTest::newRow(qPrintable(QString::number(id))) << QString(":/toolbar/%1.png").arg(id) << 16;
            QTest::newRow(qPrintable(QString("%1-24").arg(id))) << QString(":/toolbar/%1-24.png").arg(id) << 24;
        }
    }

    void iconsAndButtons()
    {
        QFETCH(QString, path);
        QFETCH(int, side);
        const QImage img(path);
        QVERIFY2(!img.isNull(), qPrintable(path));
        QCOMPARE(img.size(), QSize(side, side));
        QVERIFY(img.hasAlphaChannel());
        QVERIFY(qAlpha(img.pixel(side / 2, side / 2)) > 0);
    }
};

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
