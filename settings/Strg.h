// The settings dialog: one edit or check box for each of the 37 settings and
// the buttons OK and Abbruch. It has no behaviour of its own; the main window
// fills it, runs it modally and reads it back (Exchange.cpp).
#pragma once
#include "classlib/Controls.h"
#include "classlib/Form.h"

class TSteuerung : public TForm {
public:
    explicit TSteuerung(TComponent* owner);
    ~TSteuerung() override;

    // Components of the layout, owned by the form.
    TButton* Strg_OK;
    TButton* Strg_Abbruch;
    TEdit* EditARCpath;
    TEdit* EditMergeFileName;
    TLabel* Label1;
    TLabel* Label2;
    TEdit* EditSourceFileName;
    TEdit* EditSeperator;
    TLabel* Label3;
    TLabel* Label4;
    TCheckBox* CheckBoxMergeField1;
    TCheckBox* CheckBoxMergeField2;
    TLabel* S;
    TEdit* EditStartMergeField1;
    TLabel* Label5;
    TEdit* EditStoppMergeField1;
    TEdit* EditStartMergeField2;
    TEdit* EditStoppMergeField2;
    TEdit* EditStartMergeField3;
    TEdit* EditStoppMergeField3;
    TEdit* EditStartMergeField4;
    TEdit* EditStoppMergeField4;
    TEdit* EditStartMergeField5;
    TEdit* EditStoppMergeField5;
    TEdit* EditStartMergeField6;
    TEdit* EditStoppMergeField6;
    TEdit* EditStartMergeField7;
    TEdit* EditStoppMergeField7;
    TEdit* EditStartMergeField8;
    TEdit* EditStoppMergeField8;
    TEdit* EditStartMergeField9;
    TEdit* EditStoppMergeField9;
    TEdit* EditStartMergeField10;
    TEdit* EditStoppMergeField10;
    TCheckBox* CheckBoxMergeField3;
    TCheckBox* CheckBoxMergeField4;
    TCheckBox* CheckBoxMergeField5;
    TCheckBox* CheckBoxMergeField6;
    TCheckBox* CheckBoxMergeField7;
    TCheckBox* CheckBoxMergeField8;
    TCheckBox* CheckBoxMergeField9;
    TCheckBox* CheckBoxMergeField10;
    TLabel* Label6;
    TEdit* EditMergeFilePath;
    TCheckBox* CheckBoxCopyPrintFile;
    TLabel* Label7;
    TEdit* EditPrintFilePathName;
    TLabel* Label8;
};

extern TSteuerung* Steuerung;
