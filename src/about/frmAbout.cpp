// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/frmAbout.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QtEndian>
#include <cstring>

#include "Version.h"
#include "common/DialogHost.h"
#include "common/Logo.h"
#include "common/Twips.h"

namespace {

const char kDescription[] =
    "A quick, easy text editor, meant mainly for editing text files such as configuration "
    "files and web pages rather than for word processing.";

const char kDisclaimer[] =
    "Quillo Meridian may be copied and passed on freely as long as it is left unchanged. "
    "Names of other products mentioned here may be trademarks of their owners.";

// Where the system information tool is registered.
const char kMsInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char kMsInfoValue[] = "PATH";
const char kToolsLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char kToolsLocationValue[] = "MSINFO";

// Closes an open key however the read ends.
class OpenKey {
  public:
    OpenKey(Registry& registry, Registry::Key key) : registry_(registry), key_(key) {}
    ~OpenKey() { registry_.CloseKey(key_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

  private:
    Registry& registry_;
    Registry::Key key_;
};

}  // namespace

frmAbout::frmAbout(QWidget* owner, DialogHost* dialogs)
    : QDialog(owner),
      dialogs_(dialogs),
      registry_(CreatePlatformRegistry()),
      starter_(CreateProgramStarter()) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quillo"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Twips::toPixelsX(5655, this), Twips::toPixelsY(3630, this));

    // The box was laid out for an 8-point sans-serif font.
    QFont boxFont = font();
    boxFont.setPointSizeF(8);
    setFont(boxFont);

    auto place = [this](QWidget* control, const char* name, int left, int top, int width,
                        int height) {
        control->setObjectName(QLatin1String(name));
        control->setGeometry(Twips::toPixelsX(left, this), Twips::toPixelsY(top, this),
                             Twips::toPixelsX(width, this), Twips::toPixelsY(height, this));
    };
    auto label = [this](const QString& text) {
        auto* created = new QLabel(text, this);
        created->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        created->setWordWrap(true);
        return created;
    };

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(Logo::picture(QSize(32, 32), devicePixelRatioF()));
    picIcon->setGeometry(Twips::toPixelsX(240, this), Twips::toPixelsY(240, this), 32, 32);

    lblTitle = label(QString());
    place(lblTitle, "lblTitle", 1080, 240, 3885, 240);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = label(QString());
    place(lblVersion, "lblVersion", 1080, 550, 3885, 225);
    lblDescription = label(QLatin1String(kDescription));
    place(lblDescription, "lblDescription", 1050, 885, 3885, 1410);

    Line1 = new QFrame(this);
    Line1->setFrameShape(QFrame::NoFrame);
    Line1->setAutoFillBackground(true);
    QPalette grey = Line1->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    Line1->setPalette(grey);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setGeometry(Twips::toPixelsX(225, this), Twips::toPixelsY(2430, this),
                       Twips::toPixelsX(5450 - 225, this), 1);

    lblDisclaimer = label(QLatin1String(kDisclaimer));
    place(lblDisclaimer, "lblDisclaimer", 255, 2625, 3870, 825);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    place(cmdOK, "cmdOK", 4245, 2625, 1260, 345);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    place(cmdSysInfo, "cmdSysInfo", 4260, 3075, 1245, 345);

    // OK is also the cancel button: Esc closes the box through reject(), like OK.
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load();
}

frmAbout::~frmAbout() = default;

QString frmAbout::ContactEmail() {
    return QStringLiteral("quillo@example.org");
}
QString frmAbout::HomePage() {
    return QStringLiteral(QUILLO_HOME_PAGE);
}

QStringList frmAbout::SystemInfoTools() {
    return {QStringLiteral("hardinfo2"),           QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),         QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager")};
}

void frmAbout::Form_Load() {
    lblDescription->setText(lblDescription->text() + QStringLiteral("\n\n") + ContactEmail() +
                            QLatin1Char('\n') + HomePage());
    // Major, minor and revision; the build number is not shown.
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(QUILLO_VERSION_MAJOR)
                            .arg(QUILLO_VERSION_MINOR)
                            .arg(QUILLO_VERSION_TWEAK));
    lblTitle->setText(QStringLiteral("Quillo Meridian"));
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    try {
        QString path;
        if (GetKeyValue(Registry::LocalMachine, QLatin1String(kMsInfoKey),
                        QLatin1String(kMsInfoValue), path)) {
            if (starter_->Start(path)) return;
        } else if (GetKeyValue(Registry::LocalMachine, QLatin1String(kToolsLocationKey),
                               QLatin1String(kToolsLocationValue), path)) {
            path += QStringLiteral("\\MSINFO32.EXE");
            if (starter_->FileExists(path) && starter_->Start(path)) return;
        }
    } catch (const RegistryValueError&) {
        // An unreadable value ends the search like a missing one.
    }
    if (!registry_->Present() && startSystemInfoTool()) return;
    dialogs_->MsgBox(this, QStringLiteral("System Information Is Unavailable At This Time"),
                     MsgBoxStyle::OkOnly, QString());
}

// Without a registry, the first of the usual tools on the search path that starts.
bool frmAbout::startSystemInfoTool() {
    for (const QString& tool : SystemInfoTools()) {
        const QString path = starter_->FindOnPath(tool);
        if (!path.isEmpty() && starter_->Start(path)) return true;
    }
    return false;
}

bool frmAbout::GetKeyValue(int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    Registry::Key key = 0;
    if (registry_->OpenKeyEx(KeyRoot, KeyName, 0, Registry::AllAccess, &key) != Registry::Success) {
        KeyVal.clear();
        return false;
    }
    const OpenKey closer(*registry_, key);

    constexpr uint32_t kCapacity = 1024;
    QByteArray buffer(kCapacity, '\0');
    uint32_t size = kCapacity;
    uint32_t type = 0;
    if (registry_->QueryValueEx(key, SubKeyRef, &type, buffer, &size) != Registry::Success) {
        KeyVal.clear();
        return false;
    }
    if (size == 0 || size > kCapacity) throw RegistryValueError("empty registry value");
    // A text value's size counts its terminating NUL.
    const int length = buffer.at(int(size) - 1) == '\0' ? int(size) - 1 : int(size);

    if (type == Registry::TypeSz) {
        KeyVal = QString::fromLocal8Bit(buffer.constData(), length);
    } else if (type == Registry::TypeDword) {
        uchar bytes[4] = {0, 0, 0, 0};
        memcpy(bytes, buffer.constData(), qMin<size_t>(size, sizeof bytes));
        KeyVal =
            QStringLiteral("&h") + QString::number(qFromLittleEndian<quint32>(bytes), 16).toUpper();
    }
    return true;
}
