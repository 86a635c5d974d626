#include "installation_fields.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

#include "checked_number_box.h"

namespace zandrel {

namespace {

const QString GroundKey = QStringLiteral("installationGround");
const QString HeightKey = QStringLiteral("installationHeightM");
const QString MastKey = QStringLiteral("installationMast");
const QString FeedlineKey = QStringLiteral("installationFeedline");

// A combo box of `names`, each item's data its name, the remembered one chosen.
QComboBox* Choices(QWidget* parent, const QString& objectName, const QStringList& names,
                   const QStringList& shown, const QString& remembered, const QString& tip) {
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    for (int i = 0; i < names.size(); ++i) {
        box->addItem(shown.value(i), names.value(i));
    }
    const int chosen = box->findData(remembered);
    box->setCurrentIndex(chosen < 0 ? 0 : chosen);
    box->setToolTip(tip);
    return box;
}

QLabel* Caption(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

InstallationFields::InstallationFields(QWidget* parent) : QWidget(parent) {
    const QSettings settings;
    QStringList grounds{QStringLiteral("free"), QStringLiteral("perfect")};
    QStringList groundTexts{tr("free space"), tr("perfect")};
    for (const GroundPreset& preset : GroundPresets) {
        grounds << QString::fromUtf8(preset.Name.data(),
                                     static_cast<qsizetype>(preset.Name.size()));
        groundTexts << tr("%1 (%2, %3 S/m)")
                           .arg(grounds.last())
                           .arg(preset.Permittivity)
                           .arg(preset.ConductivitySPerM);
    }
    ground_ = Choices(this, QStringLiteral("groundBox"), grounds, groundTexts,
                      settings.value(GroundKey).toString(),
                      tr("The ground under the antenna: perfect, or real by the Sommerfeld-Norton "
                         "method (relative permittivity, conductivity)"));
    auto* heightField = new CheckedNumberBox(this);
    height_ = heightField;
    height_->setObjectName(QStringLiteral("heightBox"));
    height_->setRange(0.1, LongestMastM);
    height_->setDecimals(1);
    height_->setSuffix(tr(" m"));
    height_->setKeyboardTracking(false);
    bool isNumber = false;
    const double height = settings.value(HeightKey).toDouble(&isNumber);
    height_->setValue(isNumber && height >= 0.1 && height <= LongestMastM ? height
                                                                          : Installation{}.HeightM);
    height_->setToolTip(tr("The height of the antenna's lowest point above the ground"));
    mast_ = Choices(this, QStringLiteral("mastBox"),
                    {QStringLiteral("none"), QStringLiteral("insulating"), QStringLiteral("metal")},
                    {tr("none"), tr("insulating (not modelled)"), tr("metal, 32 mm")},
                    settings.value(MastKey).toString(),
                    tr("A metal mast on the axis from the lower bottom arm down to the ground, "
                       "or 2 m in free space"));
    feedline_ = Choices(this, QStringLiteral("feedlineBox"),
                        {QStringLiteral("none"), QStringLiteral("bare"), QStringLiteral("choked")},
                        {tr("none"), tr("bare"), tr("choked, 1000 ohm")},
                        settings.value(FeedlineKey).toString(),
                        tr("The outside of the coax's braid from the feed down beside the axis "
                           "and on below the antenna, with or without a choke just below it"));

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);
    row->addWidget(new QLabel(tr("Installation:"), this));
    row->addWidget(Caption(this, tr("&Ground:"), ground_));
    row->addWidget(ground_);
    row->addWidget(Caption(this, tr("H&eight:"), height_));
    row->addWidget(height_);
    row->addWidget(Caption(this, tr("M&ast:"), mast_));
    row->addWidget(mast_);
    row->addWidget(Caption(this, tr("&Feed line:"), feedline_));
    row->addWidget(feedline_);
    row->addStretch();
    auto* heightNote = new QLabel(this);
    heightNote->setObjectName(QStringLiteral("heightBoxNote"));
    heightField->ExplainIn(heightNote);
    rows->addWidget(heightNote);

    const auto changed = [this] {
        height_->setEnabled(ground_->currentIndex() != 0);
        emit Changed();
    };
    height_->setEnabled(ground_->currentIndex() != 0);
    for (QComboBox* box : {ground_, mast_, feedline_}) {
        connect(box, &QComboBox::currentIndexChanged, this, changed);
    }
    connect(height_, &QDoubleSpinBox::valueChanged, this, changed);
}

Installation InstallationFields::Chosen() const {
    Installation installation;
    const std::string ground = ground_->currentData().toString().toStdString();
    installation.GroundName = ground;
    if (ground == "perfect") {
        installation.Ground = GroundKind::Perfect;
    } else if (const std::optional<GroundPreset> preset = FindGroundPreset(ground)) {
        installation.Ground = GroundKind::Real;
        installation.Permittivity = preset->Permittivity;
        installation.ConductivitySPerM = preset->ConductivitySPerM;
    }
    installation.HeightM = height_->value();
    const QString mast = mast_->currentData().toString();
    installation.Mast = mast == QLatin1String("metal")        ? MastKind::Metal
                        : mast == QLatin1String("insulating") ? MastKind::Insulating
                                                              : MastKind::None;
    const QString feedline = feedline_->currentData().toString();
    installation.Feedline = feedline == QLatin1String("bare")     ? FeedlineKind::Bare
                            : feedline == QLatin1String("choked") ? FeedlineKind::Choked
                                                                  : FeedlineKind::None;
    return installation;
}

void InstallationFields::PlaceInTabOrder(QWidget* before, QWidget* after) {
    QWidget* previous = before;
    for (QWidget* field : std::initializer_list<QWidget*>{ground_, height_, mast_, feedline_}) {
        setTabOrder(previous, field);
        previous = field;
    }
    setTabOrder(previous, after);
}

void InstallationFields::Remember() const {
    QSettings settings;
    settings.setValue(GroundKey, ground_->currentData());
    settings.setValue(HeightKey, height_->value());
    settings.setValue(MastKey, mast_->currentData());
    settings.setValue(FeedlineKey, feedline_->currentData());
}

}  // namespace zandrel
