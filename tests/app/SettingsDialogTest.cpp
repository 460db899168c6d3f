// The settings dialog's window: fields as given, arrows, refusals on OK.

#include "GuiTestSupport.h"

#include "app/SettingsDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace signseek {
namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::EnsureApplication();
        m_dialog = std::make_unique<CSettingsDlg>(nullptr, [this](QWidget* parent, const QString& text) {
            EXPECT_EQ(m_dialog.get(), parent);
            m_messages.push_back(text);
        });
    }

    void Type(const QString& discovery, const QString& receive, const QString& port, const QString& ttl)
    {
        m_dialog->m_spinDiscoveryTimeout->SetText(discovery);
        m_dialog->m_spinReceiveTimeout->SetText(receive);
        m_dialog->m_editDiscoveryPort->setText(port);
        m_dialog->m_spinTTL->SetText(ttl);
    }

    std::unique_ptr<CSettingsDlg> m_dialog;
    std::vector<QString> m_messages;
};

TEST_F(SettingsDialogTest, ShowsTheValuesAsGivenEvenOutOfRange)
{
    m_dialog->m_values.discoveryTimeout = 700;
    m_dialog->m_values.discoveryPort = -3;
    m_dialog->m_values.ttl = -1;  // as a hand-edited file may hold it
    m_dialog->OnInitDialog();
    EXPECT_EQ("Settings", m_dialog->windowTitle());
    EXPECT_EQ("700", m_dialog->m_spinDiscoveryTimeout->Text());
    EXPECT_EQ("1", m_dialog->m_spinReceiveTimeout->Text());
    EXPECT_EQ("-3", m_dialog->m_editDiscoveryPort->text());
    EXPECT_EQ("4294967295", m_dialog->m_spinTTL->Text());
    EXPECT_FALSE(m_dialog->m_checkUseInternetExplorer->isEnabled());
    EXPECT_FALSE(m_dialog->m_checkUseInternetExplorer->isChecked());
    EXPECT_EQ("Use Internet Explorer", m_dialog->m_checkUseInternetExplorer->text());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(SettingsDialogTest, TheCheckBoxLabelIsNotCut)
{
    QCheckBox& box = *m_dialog->m_checkUseInternetExplorer;
    EXPECT_GE(box.width(), box.sizeHint().width());
    EXPECT_LE(box.geometry().right(), m_dialog->width());
}

TEST_F(SettingsDialogTest, TtlArrowsStopAtThirtyWhileFortyFiveTypedIsAccepted)
{
    m_dialog->m_values.ttl = 29;
    m_dialog->OnInitDialog();
    m_dialog->show();
    QTest::keyClick(m_dialog->m_spinTTL, Qt::Key_Up);
    EXPECT_EQ("30", m_dialog->m_spinTTL->Text());
    QTest::keyClick(m_dialog->m_spinTTL, Qt::Key_Up);
    EXPECT_EQ("30", m_dialog->m_spinTTL->Text());
    // The timeout fields take digits only.
    m_dialog->m_spinReceiveTimeout->SetText("");
    QTest::keyClicks(m_dialog->m_spinReceiveTimeout, "-4x2");
    EXPECT_EQ("42", m_dialog->m_spinReceiveTimeout->Text());

    m_dialog->m_spinTTL->SetText("45");
    m_dialog->accept();
    EXPECT_EQ(QDialog::Accepted, m_dialog->result());
    EXPECT_EQ(45, m_dialog->m_values.ttl);
    EXPECT_EQ(42, m_dialog->m_values.receiveTimeout);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(SettingsDialogTest, OkShowsTheFirstRefusalAndStaysOpenWithTheValuesAsTyped)
{
    m_dialog->OnInitDialog();
    m_dialog->show();
    Type("", "", "3702", "2");
    m_dialog->accept();
    Type("8", "0", "http", "2");
    m_dialog->accept();
    Type("8", "0", "3702", "2");
    m_dialog->accept();
    EXPECT_EQ(m_dialog->m_spinReceiveTimeout, m_dialog->focusWidget());
    Type("8", "1", "70000", "51");
    m_dialog->accept();
    EXPECT_EQ(m_dialog->m_editDiscoveryPort, m_dialog->focusWidget());
    EXPECT_EQ((std::vector<QString>{"Enter a positive integer.", "Enter an integer.",
                                    "Enter an integer between 1 and 600.", "Enter an integer between 1 and 65535."}),
              m_messages);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ("70000", m_dialog->m_editDiscoveryPort->text());
    EXPECT_EQ(8, m_dialog->m_values.discoveryTimeout);  // members untouched until everything passes
    EXPECT_EQ(3702, m_dialog->m_values.discoveryPort);

    Type("8", "1", "8080x", "2");
    m_dialog->accept();
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(8080, m_dialog->m_values.discoveryPort);
}

}  // namespace
}  // namespace signseek
