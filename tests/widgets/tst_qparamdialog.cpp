#include <core/style/manhattanstyle.h>
#include "pickfixture.h"
#include <core/dialogs/qparamdialog.h>
#include <core/dialogs/qparampicktreeview.h>

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

class tst_QParamDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void form();
    void okWithNothingTickedWarns();
    void okWithOneTicked();
    void cancelKeepsRetZero();
    void ticksPersistUntilInit();
    void picture();

private:
    // Runs show_param while `steps` act on the open dialog from the event loop.
    int run(const QList<QMachineValue *> &values, const std::function<void()> &steps);
    QPushButton *button(const char *name) const
    {
        return m_dialog->findChild<QPushButton *>(QString::fromLatin1(name));
    }

    PickFixture m_fixture;
    QParamDialog *m_dialog = nullptr;
};

void tst_QParamDialog::initTestCase()
{
    QVERIFY2(m_fixture.setUp(), qPrintable(QSoftCore::get_core()->machine_error()));
}

void tst_QParamDialog::init()
{
    m_dialog = new QParamDialog;
}

void tst_QParamDialog::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
}

int tst_QParamDialog::run(const QList<QMachineValue *> &values, const std::function<void()> &steps)
{
    QTimer::singleShot(0, m_dialog, steps);
    // A safety net: a test that fails to close the dialog must not hang.
    QTimer::singleShot(5000, m_dialog, [this] { m_dialog->done(-1); });
    return m_dialog->show_param(values);
}

void tst_QParamDialog::form()
{
    QCOMPARE(m_dialog->objectName(), QStringLiteral("QParamDialog"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("选择参数"));
    QCOMPARE(m_dialog->size(), QSize(375, 600));
    QVERIFY(m_dialog->windowFlags() & Qt::WindowTitleHint);
    for (const char *name : {"okBtn", "cancelBtn"}) {
        QPushButton *b = button(name);
        QVERIFY(b);
        QCOMPARE(b->minimumSize(), QSize(80, 25));
        QCOMPARE(b->maximumSize(), QSize(80, 25));
    }
    QCOMPARE(button("okBtn")->text(), QStringLiteral("确定"));
    QCOMPARE(button("cancelBtn")->text(), QStringLiteral("取消"));
    auto *layout = m_dialog->findChild<QVBoxLayout *>(QStringLiteral("verticalLayout"));
    QVERIFY(layout);
    QVERIFY(qobject_cast<QParamPickTreeView *>(layout->itemAt(0)->widget()));
    QCOMPARE(layout->stretch(0), 1);
    QCOMPARE(m_dialog->get_ret(), 0);

    QMainWindow window;
    QParamDialog child(&window);
    QCOMPARE(child.parentWidget(), &window);
}

void tst_QParamDialog::okWithNothingTickedWarns()
{
    QString title;
    QString text;
    bool openAfterWarning = false;
    const int result = run({}, [&] {
        // The warning is modal too: read and close it from the next turn.
        QTimer::singleShot(0, m_dialog, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    title = box->windowTitle();
                    text = box->text();
                    QCOMPARE(box->icon(), QMessageBox::Critical);
                    box->button(QMessageBox::Ok)->click();
                }
            }
        });
        button("okBtn")->click();
        openAfterWarning = m_dialog->isVisible();
        button("cancelBtn")->click();
    });
    QCOMPARE(title, QStringLiteral("警告"));
    QCOMPARE(text, QStringLiteral("什么都没有选！"));
    QVERIFY(openAfterWarning);
    QCOMPARE(m_dialog->get_ret(), 0);
    QCOMPARE(result, 0);
}

void tst_QParamDialog::okWithOneTicked()
{
    QMachineValue *value = PickFixture::value("F1-01");
    run({value}, [this] { button("okBtn")->click(); });
    QCOMPARE(m_dialog->get_ret(), 1);
    QCOMPARE(m_dialog->get_check_param(), QList<QMachineValue *>({value}));
    QVERIFY(!m_dialog->isVisible());

    // The next showing starts unconfirmed again.
    run({}, [this] { button("cancelBtn")->click(); });
    QCOMPARE(m_dialog->get_ret(), 0);
}

void tst_QParamDialog::cancelKeepsRetZero()
{
    run({PickFixture::value("F0-00"), PickFixture::value("F0-01")},
        [this] { button("cancelBtn")->click(); });
    QCOMPARE(m_dialog->get_ret(), 0);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->get_check_param().size(), 2);
}

void tst_QParamDialog::ticksPersistUntilInit()
{
    QMachineValue *a = PickFixture::value("F0-00");
    QMachineValue *b = PickFixture::value("F1-02");
    run({a}, [this] { button("cancelBtn")->click(); });
    run({b}, [this] { button("cancelBtn")->click(); });
    run({}, [this] { button("okBtn")->click(); });
    QCOMPARE(m_dialog->get_ret(), 1);
    QCOMPARE(m_dialog->get_check_param(), QList<QMachineValue *>({a, b}));

    m_dialog->init();
    QVERIFY(m_dialog->get_check_param().isEmpty());
}

void tst_QParamDialog::picture()
{
    QApplication::setStyle(new ManhattanStyle(QApplication::style()->name()));
    auto *view = m_dialog->findChild<QParamPickTreeView *>();
    QVERIFY(view);
    view->set_checked(PickFixture::value("F0-01"), true);
    view->set_checked(PickFixture::value("F1-00"), true);
    view->set_checked(PickFixture::value("F1-02"), true);
    view->expandAll();
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    QVERIFY(QDir().mkpath(QStringLiteral(PICTURE_DIR)));
    const QString path = QDir(QStringLiteral(PICTURE_DIR)).filePath(QStringLiteral("paramdialog.png"));
    QVERIFY(m_dialog->grab().save(path));
    qInfo("picture: %s", qPrintable(path));
}

QTEST_MAIN(tst_QParamDialog)
#include "tst_qparamdialog.moc"
