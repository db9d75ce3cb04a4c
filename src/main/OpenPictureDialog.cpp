#include "main/OpenPictureDialog.h"

#include "desktop/OverrideCursorLift.h"
#include "logic/PictureDecoding.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace {

// The dialog's filters: first one of every kind the game reads here, then the classic kinds,
// then those the toolkit reads.
QList<PictureFormat> pictureFilters()
{
    QList<PictureFormat> filters {
        {QStringLiteral("JPEG Bilddatei (*.jpg)"), {QStringLiteral("*.jpg")}},
        {QStringLiteral("JPEG Bilddatei (*.jpeg)"), {QStringLiteral("*.jpeg")}},
        {QStringLiteral("Bitmaps (*.bmp)"), {QStringLiteral("*.bmp")}},
        {QStringLiteral("Symbole (*.ico)"), {QStringLiteral("*.ico")}},
        {QStringLiteral("Erweiterte Metadateien (*.emf)"), {QStringLiteral("*.emf")}},
        {QStringLiteral("Metadateien (*.wmf)"), {QStringLiteral("*.wmf")}}};
    filters += FurtherPictureFormats();
    QStringList every;
    for (const PictureFormat &filter : filters)
        every += filter.patterns;
    filters.prepend({QStringLiteral("Alle Dateien (%1)").arg(every.join(u';')), every});
    return filters;
}

} // namespace

QString RunOpenPictureDialog(QWidget *parent, const QString &currentPicture)
{
    // Our own dialog rather than the desktop's: it has room for the preview, and it shows
    // the filter descriptions exactly as written.
    QFileDialog dialog(parent, QStringLiteral("Bild laden"));
    // The next picture is most likely found beside the last one. A built-in motif has no
    // folder: the dialog opens where the program was started.
    const QFileInfo current(currentPicture);
    if (!currentPicture.isEmpty() && current.isFile())
        dialog.setDirectory(current.absolutePath());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);

    const QList<PictureFormat> filters = pictureFilters();
    QStringList descriptions;
    for (const PictureFormat &filter : filters)
        descriptions << filter.description;
    dialog.setNameFilters(descriptions);
    dialog.selectNameFilter(descriptions.value(0));

    // The descriptions name their patterns separated by ";", which the dialog would take as
    // one pattern; hand the model the patterns one by one.
    auto *model = dialog.findChild<QFileSystemModel *>();
    auto applyPatterns = [&filters, model](const QString &description) {
        if (!model)
            return;
        for (const PictureFormat &filter : filters) {
            if (filter.description == description) {
                model->setNameFilters(filter.patterns);
                model->setNameFilterDisables(false);
                return;
            }
        }
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, applyPatterns);
    applyPatterns(descriptions.value(0));

    auto *preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("Vorschau"));
    preview->setFixedSize(180, 180);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString &path) {
                         preview->clear();
                         if (!QFileInfo(path).isFile())
                             return;
                         if (auto picture = DecodePictureFile(path, preview->size())) {
                             preview->setPixmap(QPixmap::fromImage(picture->scaled(
                                 preview->size() - QSize(4, 4), Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation)));
                         }
                     });

    const OverrideCursorLift lift;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}
