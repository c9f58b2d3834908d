// The text of the proof of work's script: plain ES5 with no outside
// address, small enough to read through.
#include "insert/proof_script.h"

const char kProofScript[] = R"js((function () {
  "use strict";
  var me = document.currentScript;
  if (!me || !window.fetch || !window.Worker || !window.URL) return;
  var sl = /^sl/i.test(document.documentElement.lang || "");
  var say = sl ? {
    working: "Preverjamo, da obrazec po\u0161ilja brskalnik \u010dloveka \u2026",
    done: "Preverjeno: obrazec lahko po\u0161ljete.",
    waiting: "Trenutek, preverjanje se \u0161e izvaja \u2026",
    failed: "Preverjanje ni uspelo; obrazec lahko vseeno po\u0161ljete."
  } : {
    working: "Checking that a person\u2019s browser sends this form \u2026",
    done: "Checked: the form is ready to send.",
    waiting: "One moment, the check is still running \u2026",
    failed: "The check did not work; you can still send the form."
  };
  var address = new URL(me.src, location.href);
  var challengeUrl = address.href.replace(/challenge=script/, "challenge=1");

  function solver() {
    var K = [0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1,
      0x923f82a4, 0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74,
      0x80deb1fe, 0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc,
      0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8,
      0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138,
      0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1,
      0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
      0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f,
      0x682e6ff3, 0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb,
      0xbef9a3f7, 0xc67178f2];
    var W = new Int32Array(64);
    // The first word of SHA-256 of a text shorter than 56 ASCII bytes.
    function firstWord(text) {
      var i, t1, t2;
      for (i = 0; i < 16; i++) W[i] = 0;
      for (i = 0; i < text.length; i++) W[i >> 2] |= text.charCodeAt(i) << (24 - 8 * (i & 3));
      W[i >> 2] |= 0x80 << (24 - 8 * (i & 3));
      W[15] = text.length * 8;
      for (i = 16; i < 64; i++) {
        var x = W[i - 15], y = W[i - 2];
        W[i] = (W[i - 16] + ((x >>> 7 | x << 25) ^ (x >>> 18 | x << 14) ^ (x >>> 3)) +
          W[i - 7] + ((y >>> 17 | y << 15) ^ (y >>> 19 | y << 13) ^ (y >>> 10))) | 0;
      }
      var a = 0x6a09e667, b = 0xbb67ae85, c = 0x3c6ef372, d = 0xa54ff53a;
      var e = 0x510e527f, f = 0x9b05688c, g = 0x1f83d9ab, h = 0x5be0cd19;
      for (i = 0; i < 64; i++) {
        t1 = (h + ((e >>> 6 | e << 26) ^ (e >>> 11 | e << 21) ^ (e >>> 25 | e << 7)) +
          ((e & f) ^ (~e & g)) + K[i] + W[i]) | 0;
        t2 = (((a >>> 2 | a << 30) ^ (a >>> 13 | a << 19) ^ (a >>> 22 | a << 10)) +
          ((a & b) ^ (a & c) ^ (b & c))) | 0;
        h = g; g = f; f = e; e = (d + t1) | 0; d = c; c = b; b = a; a = (t1 + t2) | 0;
      }
      return (a + 0x6a09e667) >>> 0;
    }
    onmessage = function (event) {
      var salt = event.data.salt + ":", shift = 32 - event.data.bits;
      for (var n = 0; ; n++) {
        if (firstWord(salt + n) >>> shift === 0) {
          postMessage({ counter: n });
          return;
        }
        if ((n & 0xffff) === 0xffff) postMessage({ tried: n + 1 });
      }
    };
  }
  var solverUrl = URL.createObjectURL(new Blob(["(" + solver.toString() + ")()"],
    { type: "text/javascript" }));

  function attach(form, field) {
    var note = document.createElement("p");
    note.className = "kalder-proof-note";
    note.setAttribute("role", "status");
    note.setAttribute("aria-live", "polite");
    var button = form.querySelector("[type=submit]");
    form.insertBefore(note, button && button.parentNode === form ? button : null);
    var state = { solution: "", expires: 0, failed: false, waiting: false, running: false };
    function send() {
      state.waiting = false;
      field.value = state.solution;
      HTMLFormElement.prototype.submit.call(form);
    }
    function fail() {
      state.running = false;
      state.failed = true;
      note.textContent = say.failed;
      if (state.waiting) send();
    }
    function start() {
      state.running = true;
      state.failed = false;
      state.solution = "";
      note.textContent = say.working;
      fetch(challengeUrl, { cache: "no-store", credentials: "omit" }).then(function (answer) {
        if (!answer.ok) throw new Error("status " + answer.status);
        return answer.json();
      }).then(function (challenge) {
        var worker = new Worker(solverUrl);
        var expected = Math.pow(2, challenge.bits);
        worker.onmessage = function (event) {
          if (event.data.tried) {
            var share = 1 - Math.exp(-event.data.tried / expected);
            note.textContent = say.working + " " + Math.min(99, Math.round(share * 100)) + " %";
            return;
          }
          worker.terminate();
          state.running = false;
          state.expires = challenge.expires * 1000;
          state.solution = [challenge.salt, challenge.bits, challenge.expires,
            challenge.signature, event.data.counter].join(":");
          note.textContent = say.done;
          if (state.waiting) send();
        };
        worker.onerror = fail;
        worker.postMessage(challenge);
      }).catch(fail);
    }
    form.addEventListener("submit", function (event) {
      if (state.failed) return;
      if (state.solution && state.expires > Date.now() + 10000) {
        field.value = state.solution;
        return;
      }
      event.preventDefault();
      state.waiting = true;
      if (!state.running) start();
      note.textContent = say.waiting;
    });
    window.addEventListener("pageshow", function (event) {
      if (event.persisted) start();  // the solution of the page's first post is spent
    });
    start();
  }

  function attachAll() {
    var forms = document.forms;
    for (var i = 0; i < forms.length; i++) {
      var action = new URL(forms[i].getAttribute("action") || "", location.href);
      if (action.origin !== address.origin || action.pathname !== address.pathname) continue;
      var field = forms[i].querySelector("input[name=kalderProof]");
      if (!field) {
        field = document.createElement("input");
        field.type = "hidden";
        field.name = "kalderProof";
        forms[i].appendChild(field);
      }
      attach(forms[i], field);
    }
  }
  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", attachAll);
  else attachAll();
})();
)js";
