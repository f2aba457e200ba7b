#ifndef VISTALOOM_OUTPUTFOLDERPROMPT_H
#define VISTALOOM_OUTPUTFOLDERPROMPT_H

#include <QDir>
#include <QString>

class QWidget;

// Asks the user to create an output folder that does not exist.
namespace OutputFolderPrompt {

// True when the user lets the folder be made and it is; a refusal, or a
// folder that cannot be made (which the user is told), gives false.
bool offerToCreate(QWidget *parent, const QDir &dir);
// True for a given path whose folder exists or is made at the user's word.
bool existsOrCreate(QWidget *parent, const QString &path);

} // namespace OutputFolderPrompt

#endif
