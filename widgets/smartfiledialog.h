#ifndef VISTALOOM_SMARTFILEDIALOG_H
#define VISTALOOM_SMARTFILEDIALOG_H

#include <QFileDialog>

// A file dialog that remembers its layout and folder between runs, under
// a name of its own in the settings store. Dialogs of the same name share
// them.
class SmartFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    SmartFileDialog(QWidget *parent, QString name);

    void setVideoNameFilters();
    void setImageNameFilters();

    static QString videoPatterns();

public slots:
    void dialogFinished(int result);
    void saveSettings();

private:
    QString dialogName;
};

#endif
