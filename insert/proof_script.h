// The script a form page loads from insert.exe/<group>?challenge=script to
// solve the proof of work (proof_of_work.h) before its post: it fetches a
// challenge from ?challenge=1 at the same address, solves it in a Web
// Worker so the page stays responsive, says what it does in a note that
// screen readers announce (role="status"), and puts the solution in the
// hidden field kalderProof of each form that posts to that address. A form
// sent before the work is done waits for it; one whose challenge cannot be
// had is sent without (it scores, and is never refused for it).
#pragma once

extern const char kProofScript[];
