#include "sequence/editor_controls.h"

namespace tarvo::sequence {

void EditorControls::fetchRequested() {
  source.shown = true;
  edit.shown = compile.shown = listing.shown = false;
  save = {true, false};
  done.shown = false;
  cancel = {true, true};
}

void EditorControls::transferStarted() {
  source = {true, false};
}

void EditorControls::sourceComplete() {
  source.enabled = true;
  save = {true, true};
}

void EditorControls::saved() {
  save = {false, false};
  source.shown = false;
  edit = {true, true};
  compile = {true, true};
  listing = {true, false};
  done = {true, false};
}

void EditorControls::sourceStored() {
  cancel.enabled = true;
  done = {true, false};
  edit = {true, true};
  compile = {true, true};
  save = {false, false};
  listing = {true, false};
}

void EditorControls::workStarted() {
  source.shown = true;
}

void EditorControls::compiled() {
  source.shown = false;
  listing = {true, true};
  done.enabled = true;
}

void EditorControls::compileFailed(bool installable) {
  listing = {true, true};
  done.enabled = installable;
  source.shown = true;
  showListingMode();
}

void EditorControls::listingRequested() {
  source.shown = true;
  showListingMode();
}

void EditorControls::showListingMode() {
  edit.shown = compile.shown = listing.shown = save.shown = done.shown = false;
  cancel = {true, true};
}

void EditorControls::listingComplete() {
  source.enabled = true;
}

bool EditorControls::leaveMode() {
  if (!source.shown) return false;
  source.shown = false;
  edit.shown = compile.shown = listing.shown = true;
  save = {false, false};
  done.shown = true;
  return true;
}

SeqEditMode EditorControls::mode() const {
  if (!source.shown) return SeqEditMode::Ready;
  if (save.shown) return save.enabled ? SeqEditMode::Editing : SeqEditMode::Fetching;
  return edit.shown ? SeqEditMode::Working : SeqEditMode::Listing;
}

}  // namespace tarvo::sequence
