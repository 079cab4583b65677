// ProjectForm: the contents of the main window's project form, without any
// windowing toolkit. It is the record that the desktop program's project
// file reader fills and its writer writes (project_form_file.h), that the
// main window moves into and out of its controls, and that a run hands to
// the model (project_handover.h).
//
// Members are named after the window's fields. File and directory names
// and the rotation are held as the texts the window shows; the numbers of
// the chosen pollutants, the background values and the share limit are
// held as numbers (the window converts its texts when a field is left or
// the project is saved). kNotGiven (-9999) marks a number not given.
//
// Invariants of a record read from a file (the writer relies on none of
// them, it writes what it is given):
//   1. at most kMaxPollutants chosen pollutants; background[k] belongs to
//      pollutants[k];
//   2. rotation is non-empty only with projection == FormProjection::Other;
//   3. every name is shorter than kMaxFormName characters.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "input/project_file.h"

namespace zemo::desktop {

// Names (files, output directory and base names) are shorter than this.
inline constexpr std::size_t kMaxFormName = 260;

// One entry of the list "Vybrané látky:" (fMP_PolChoice_Lst).
struct FormPollutant {
    std::string indicative;     // fMP_PolUsr_Edt, at most 5 characters, case kept
    int type = -1;              // index into kPollutantTypes (0..8), -1 not chosen
    double limit1 = kNotGiven;  // fMP_PolLimit1_Edt
    double limit2 = kNotGiven;  // fMP_PolLimit2_Edt
    double half_life = 0;       // fMP_PolRem_Edt, only for "ORG"
    std::string name;           // at most 30 characters

    bool is_org() const { return type >= 0 && type < 9 && kPollutantTypes[type].id == kTypeORG; }

    bool operator==(const FormPollutant&) const = default;
};

// The options of the group "Projek&ce:".
enum class FormProjection {
    None,   // no option chosen
    Jtsk,   // fMN_PrjJTSK_Rad
    S42,    // fMN_PrjS42_Rad
    Other,  // fMN_PrjOther_Rad ("J&iná"); its rotation is fMN_PrjOther_Edt
};

// The options of the group "Transfery / Pozadí:".
enum class FormAddition {
    None,        // no option chosen
    Transfers,   // fMS_TrnFn_Rad
    Background,  // fMS_Back_Rad
};

// "Rozsah výstupů:" and "Formát výstupů:"; -1 is no option chosen.
enum FormOutputType : int { kOutputNone = -1, kOutputBasic = 0, kOutputStandard = 1, kOutputExtended = 2 };
enum FormOutputFormat : int { kOutFormatNone = -1, kOutFormatDbf = 0, kOutFormatTxt = 1 };

struct ProjectForm {
    // "Výpočetní síť"
    std::array<std::string, 3> point_files;  // fMN_PntFn1_Edt .. fMN_PntFn3_Edt
    FormProjection projection = FormProjection::None;
    std::string rotation;  // fMN_PrjOther_Edt, empty: none

    // "Látky"
    std::vector<FormPollutant> pollutants;  // fMP_PolChoice_Lst, in order

    // "Zdroje"
    std::string point_sources;  // fMS_SrcFnP_Edt
    std::string line_sources;   // fMS_SrcFnL_Edt
    std::string area_sources;   // fMS_SrcFnA_Edt
    FormAddition addition = FormAddition::None;
    std::string transfers;  // fMS_TrnFn_Edt
    // fMS_Back1_Edt .. fMS_Back6_Edt, one per chosen pollutant.
    std::array<double, kMaxPollutants> background{kNotGiven, kNotGiven, kNotGiven, kNotGiven, kNotGiven, kNotGiven};

    // "Růžice"
    std::string wind_roses;  // fMM_RosFn_Edt

    // "Výsledky"
    int output_type = kOutputNone;       // fMO_TypBasic_Rad / fMO_TypStd_Rad / fMO_TypExt_Rad
    int output_format = kOutFormatNone;  // fMO_FrmTxt_Rad / fMO_FrmDbf_Rad
    double share_limit = kNotGiven;      // fMO_Lim_Edt
    std::string output_directory;        // fMO_OutDir_Edt
    std::string out_basic;               // fMO_OutFnBasic_Edt
    std::string out_source_shares;       // fMO_OutFnPsrc_Edt
    std::string out_group_shares;        // fMO_OutFnPgrp_Edt
    std::string out_sector_max;          // fMO_OutFnSmax_Edt
    std::string out_sector_mean;         // fMO_OutFnSavg_Edt
    std::string out_extended;            // fMO_OutFnExt_Edt

    // The empty form: no files, no options, no pollutants, every number
    // not given.
    void clear() { *this = ProjectForm{}; }

    bool operator==(const ProjectForm&) const = default;
};

}  // namespace zemo::desktop
