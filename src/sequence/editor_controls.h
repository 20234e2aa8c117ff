#pragma once
// What the sequence editor's controls show. The editor has no mode variable of its own: its
// mode is read from which controls are shown and enabled, and every step of the editor sets
// exactly the controls it names, whatever the mode was, so late replies land as they do in
// the window itself.
namespace tarvo::sequence {

enum class SeqEditMode { Ready, Working, Fetching, Editing, Listing };

struct ControlState {
  bool shown = true;
  bool enabled = true;
};

class EditorControls {
 public:
  // As the window loads: Ready, with View Listing and Done off, the text box and Save
  // hidden.
  ControlState source{false, true};  // SourceTB
  ControlState edit;                 // EditPB
  ControlState compile;
  ControlState listing{true, false};
  ControlState save{false, true};  // EditSvPB
  ControlState done{true, false};
  ControlState cancel;
  bool progressShown = false;

  // Edit pressed: the text box shows the progress text, Save is shown but off.
  void fetchRequested();
  // "CLRSEQSRC", "CLRGETLST": the text box is shown and off while the lines arrive.
  void transferStarted();
  // "DNSEQSRC": the source may be edited and saved.
  void sourceComplete();
  // Save pressed: back to Ready, the text kept in the hidden box; the last compile no
  // longer counts, so View Listing and Done are off.
  void saved();
  // "DNPUTSRC": the same buttons as after Save (the text box is left as it is).
  void sourceStored();
  // Compile or Done pressed: the text box shows the progress text; the buttons stay.
  void workStarted();
  // "DNCPLSEQ".
  void compiled();
  // "ERRCPLSEQ" (installable false) and "WRNCPLSEQ" (true): the listing is fetched.
  void compileFailed(bool installable);
  // View Listing pressed.
  void listingRequested();
  // "DNSEQLST".
  void listingComplete();
  // Cancel: with the text box shown, leaves the mode for Ready (true); with it hidden,
  // changes nothing and the session is to be cancelled (false).
  bool leaveMode();

  SeqEditMode mode() const;

 private:
  void showListingMode();
};

}  // namespace tarvo::sequence
